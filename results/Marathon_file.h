#pragma once
// The race's marathon file: the race name and 30 heats (start groups), each with its number,
// name, start time of day and running flag. Kept as an XML document: a new file in ISO-8859-1,
// one read in written back in the encoding it declares. Values are texts as the operator typed them.
#include "platform/Clock.h"

#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace wk {

class Marathon_file {
public:
    static constexpr int k_Heats = 30;

    // A new skeleton: every heat empty and running, no race name. created is the creation
    // date and time the file's comment states.
    void Create(const std::string& created);
    // Replaces the document by the file's; false (and an empty document) when it cannot be read
    // as a marathon file, or could not be saved again as it was read. problem then says why.
    bool Load(const std::string& path, std::string* problem = nullptr);
    // The same from the file's bytes.
    bool Load_text(const std::string& bytes, std::string* problem = nullptr);
    // Writes the document beside the file and then in its place; true when written. A document
    // whose text is shorter than 10 characters (an empty one) is never written: false with no
    // problem. A failed write: false with problem saying why.
    bool Save(const std::string& path, std::string& problem) const;
    // The file's bytes in the encoding the document declares, characters it lacks as character
    // references, CR LF lines. "" with problem set when the document cannot be written so.
    std::string Xml_text(std::string* problem = nullptr) const;
    bool Empty() const { return !doc_.first_child(); }

    // A heat's element (heat_num, heat_name, heat_time, heat_running, heat_start); nullopt when
    // the heat or the element is missing.
    std::optional<std::string> Heat_field(int id, const char* element) const;
    // False when the heat or the element is missing.
    bool Heat_field(int id, const char* element, const std::string& value);
    std::string Event_name() const;
    bool Event_name(const std::string& value);

    const pugi::xml_document& Document() const { return doc_; }

private:
    pugi::xml_node Heat_node(int id, const char* element) const;
    bool Root_is_marathon(std::string* problem);
    pugi::xml_document doc_;
};

// ---- The clock's rule for a heat's elapsed time ----

// Seconds of the day of a time-of-day text "h:mm:ss" (blanks around allowed); nullopt for any
// other text.
std::optional<int32_t> Seconds_of_day(const std::string& text);

enum class Elapsed_look { none, running, not_started };

struct Heat_elapsed {
    std::string text;
    Elapsed_look look = Elapsed_look::none;
};

// What a heat's elapsed label shows at the given second of the day: nothing while it is stopped
// or has no start, "--:--:--" for a start that is not a time of day, otherwise hh:mm:ss since the
// start (across midnight within 12 hours), with a minus before a start still to come.
Heat_elapsed Elapsed_of(const std::string& start, bool running, int32_t now_seconds);

// "hh:mm:ss".
std::string Time_of_day_text(int hour, int minute, int second);

} // namespace wk
