#pragma once
// Whether a heat's result is official, and each revision made of it since: kept in a small file
// beside the recording, so the state travels with the heat and survives a restart. A provisional
// heat has no such file.
#include "results/Heat_result.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wk {

// One lane whose result changed: the time (or code) as shown before and after; "" for none.
struct Result_change {
    int16_t lane = 0;
    std::string old_text, new_text;
    bool operator==(const Result_change&) const = default;
};

struct Result_revision {
    int32_t revision = 0;
    std::string at; // UTC, "2026-12-09T20:31:05Z"
    std::vector<Result_change> changes;
    bool operator==(const Result_revision&) const = default;
};

using Lane_texts = std::map<int16_t, std::string>;

struct Result_record {
    int32_t revision = 0; // 0: provisional
    std::vector<Result_revision> revisions;
    // Each lane's time or code as the latest revision has it.
    Lane_texts official;
    bool operator==(const Result_record&) const = default;
};

// Each lane with a result: its corrected time as shown (blanks trimmed) or its code.
Lane_texts Lane_result_texts(const Heat_result& result);

// Revision 1 of the result; the record as it was when the result is already official.
Result_record Made_official(Result_record record, const Heat_result& result, const std::string& at);
// The next revision when the result of an official record differs from its latest; nullopt
// when nothing changed or the result is still provisional.
std::optional<Result_record> Revised(const Result_record& record, const Heat_result& result, const std::string& at);

std::string Record_text(const Result_record& record);
// nullopt, with problem set, for bytes that are no such record.
std::optional<Result_record> Parse_record(std::string_view bytes, std::string& problem);

// Beside the recording: its path followed by ".result.json".
std::string Record_path(const std::string& recording);
// The recording's record; a provisional one when there is none. nullopt, with problem set, when
// the file is there but cannot be read as a record.
std::optional<Result_record> Load_record(const std::string& recording, std::string& problem);
// Replaces the record whole; "" on success, else why not (the old one is then kept).
std::string Save_record(const std::string& recording, const Result_record& record);

// The record goes with its recording when that is renamed; "" when moved or there is none.
std::string Move_record(const std::string& from_recording, const std::string& to_recording);

// Now in UTC as "2026-12-09T20:31:05Z".
std::string Utc_now_text();

} // namespace wk
