#pragma once
// A heat's result as the results folder carries it to whoever reads it (the board, the results
// office): one JSON file and one comma-separated line file per heat, each replaced whole.
#include "results/Heat_result.h"
#include "results/Result_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wk {

struct Published_row {
    std::optional<int32_t> place, lane;
    std::string bib, name, club;
    std::optional<int64_t> time_ms;
    std::string time, difference;
    std::string made = "clicked";
    bool dead_heat = false;
    std::string code; // "", "DSQ", "DNS", "DNF"
};

struct Published_heat {
    std::string id, kind, event, heat;
    int32_t revision = 0; // 0: provisional
    std::string updated;
    std::vector<Published_row> rows;
    std::vector<Result_revision> revisions;
    std::string precision = "1/100"; // the unit the shown times are given in
};

// "<kind>-<event>-heat-<heat>", made only of letters, digits, "_" and "-".
std::string Published_id(const std::string& kind, const std::string& event, const std::string& heat);

// A course heat: its rows with names, its state and revisions from the record.
Published_heat Canoe_heat(const Heat_result& result, const Result_record& record);

std::string Heat_json_text(const Published_heat& heat);
// The line-scan systems' layout: a line "event,round,heat,title", then per row
// place (or the code),bib,lane,last name,first name,affiliation,time; UTF-8, CR LF.
std::string Heat_line_text(const Published_heat& heat);

// Writes <id>.json and <id>.lif into the folder, each replaced whole. "" on success, else why
// not. The same contents as last time in this process are not written again.
std::string Write_published_heat(const std::string& folder, Published_heat heat);
// The results folder of the settings; "" when none is set.
std::string Results_folder();

} // namespace wk
