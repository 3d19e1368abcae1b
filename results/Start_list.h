#pragma once
// The event's start list: who starts in which lane of which heat. Read from a CSV the regatta's
// office makes (heat; lane; bib; name; club), kept in the data folder per event, and looked up
// by heat and lane wherever a result names its crews.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wk {

struct Start_entry {
    std::string heat;
    int16_t lane = 0;
    std::string bib, name, club;
    int line = 0; // where it stood in the file read
    bool operator==(const Start_entry&) const = default;
};

// A line that keeps a file from being read, by its number (from 1).
struct Start_list_problem {
    int line = 0;
    std::string text;
    std::string Message() const;
};

class Start_list {
public:
    static constexpr size_t k_Max_bytes = 4u << 20;
    static constexpr size_t k_Max_field = 200;

    const std::vector<Start_entry>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }
    // The entry of that heat (blanks and case aside) and lane; nullptr when there is none.
    const Start_entry* Entry(const std::string& heat, int16_t lane) const;
    // Semicolon-separated UTF-8 with a header line; read back it gives the same entries.
    std::string Csv_text() const;

    // The whole file or its first bad line: nothing of a file with a bad line is taken.
    struct Read;
    static Read Parse(std::string_view bytes);

private:
    std::vector<Start_entry> entries_;
};

struct Start_list::Read {
    Start_list list;
    std::optional<Start_list_problem> problem;
};

// Where the event's start list is kept: <data folder>/Startlist_<event, cleaned>.csv.
std::string Start_list_path(const std::string& event);
// The event's start list; an empty one when none was imported. A kept file that cannot be read
// gives its problem and an empty list.
Start_list::Read Load_start_list(const std::string& event);
// Replaces the event's start list whole; "" on success, else why not (the old one is kept).
std::string Save_start_list(const std::string& event, const Start_list& list);
// Reads the file and keeps it for the event; the problem (a bad line, or why the file could not
// be read or kept) when nothing was imported.
std::optional<Start_list_problem> Import_start_list(const std::string& file, const std::string& event);

// "bib name" as a lane mark or a result row shows its crew; "" for none.
std::string Crew_label(const std::string& bib, const std::string& name);
std::string Start_entry_label(const Start_entry* entry);

// Only letters, digits, "_" and "-": every other character becomes "_".
std::string Clean_id(const std::string& text);

} // namespace wk
