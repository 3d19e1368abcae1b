#pragma once
// Operating-system and network helpers.
#include "services/Operator_port.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace wk {

// The application-data folder. When it cannot be had, a fallback folder in the temporary
// folder is used (and said once); an error text never becomes a path.
std::string AppUserData();
// The running system's version as major & "." & two-digit minor (for example "6.01"), and its
// release text in place of the service pack; both go into recording headers.
std::string Get_OS_Version();
std::string Get_OS_Service_Pack();
std::string Trim_At_Nul(const std::string& text);

// The network name of the share that holds path ("" and an information box when the path is
// not on a network mount), and the share name followed by the path.
std::string Get_UNC_Name(const std::string& path);
std::string Get_Share_Path(const std::string& path);
// The first IPv4 address of this host's name, dotted; "" with a message on failure.
std::string Get_IP_Address();

// The system's text for a Windows system error code (the text of its errno counterpart), then
// CR LF, "Dec: " code TAB "Hex: " code; "(No such error)" and an empty line where there is none.
std::string Get_error_text(int32_t code);
std::string Format_bytes(double bytes);
std::string Format_number(double value);

// Ascending bubble sort; passes over a shrinking range until one makes no swap.
template <class T> void Bubble_sort(std::vector<T>& items)
{
    if (items.size() < 2) return;
    size_t end = items.size() - 1;
    bool swapped = true;
    while (swapped && end > 0) {
        swapped = false;
        for (size_t i = 0; i < end; ++i)
            if (items[i + 1] < items[i]) {
                std::swap(items[i], items[i + 1]);
                swapped = true;
            }
        --end;
    }
}

// The folder's recordings larger than 1 MiB, each as its modification time
// ("yyyy-mm-dd hh:mm:ss") followed by its name, newest first; other files give empty entries
// at the end. Empty when the folder is missing or holds no file.
std::vector<std::string> fso_Youngest_files(const std::string& folder);

// Registers a file type for this user: a MIME type and a desktop entry in the user's data
// folder. False (after its message to the port) when a file could not be written.
bool Associate_File_Extension(const std::string& extension, const std::string& class_name,
                              const std::string& description, const std::string& icon_path,
                              const std::string& program_path, Operator_port& port);
// Registers ".qs2" for this program; confirms it to the port when it worked (a failure has said
// so already).
bool Associate_Qs2_Files(Operator_port& port);

} // namespace wk
