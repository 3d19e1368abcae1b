// The settings file on any bytes: reads never fail, and a write that succeeds reads back and
// leaves the other keys as they were.
#include "platform/Ini_file.h"
#include "tests/fuzz/Fuzz_support.h"

#include <cstdlib>
#include <string>

using namespace wk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Quiet_program();
    if (size < 2) return 0;
    // The first bytes choose the key and value written; the rest is the file.
    const size_t key_len = data[0] % 8, value_len = data[1] % 16;
    if (size < 2 + key_len + value_len) return 0;
    const std::string key(reinterpret_cast<const char*>(data + 2), key_len);
    const std::string value(reinterpret_cast<const char*>(data + 2 + key_len), value_len);
    const std::string path = fuzz::Write_input(data + 2 + key_len + value_len, size - 2 - key_len - value_len, "ini");
    const std::string other_before = platform::Get_profile_string("Canoe", "Lanes", "<none>", path);
    int error = 0;
    if (!platform::Write_profile_string("Settings", key, value, path, error)) return 0;
    // Blanks around a value and one pair of enclosing quotes are dropped when it is read; any
    // other value reads back as written, and the key is always found.
    // (Texts are UTF-8 in the program; the check keeps to printable ASCII, which every
    // conversion keeps as it is.)
    const auto printable = [](const std::string& t) {
        for (unsigned char c : t)
            if (c < 0x20 || c > 0x7E) return false;
        return true;
    };
    const bool plain = printable(key) && printable(value) && !value.empty() && value.front() != ' ' &&
                       value.back() != ' ' && value.front() != '"' && value.front() != '\'';
    const std::string back = platform::Get_profile_string("Settings", key, "<none>", path, 4096);
    if (plain && back != value) std::abort();
    // Writing a key of another section never touches this one.
    if (platform::Get_profile_string("Canoe", "Lanes", "<none>", path) != other_before) std::abort();
    return 0;
}
