#pragma once
// A heat's result as a value: its lanes ranked into places, and what names the heat. One ranking
// function makes it from the lane records; the results window, the exports and the printed sheet
// all take it, so what a file holds never depends on how a window shows it.
#include "results/Lane_Result_Record.h"
#include "results/Result_time_rule.h"
#include "results/Time_codes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace wk {

inline constexpr int k_Heat_lanes = 16;
using Heat_lane_records = std::array<Lane_Result_Record, k_Heat_lanes>;

// One placed row: a lane with a real time or a code.
struct Heat_result_row {
    int16_t place = 0;       // 1..16: the row's position, or the place it shares in a dead heat
    int16_t lane = 0;        // 0..15
    int32_t time = 0;        // race time in ms as stored (uncorrected), or the code
    int64_t difference = 0;  // ms behind the first place; 0 for a code
    int16_t goal_field = 0;
    // The shown time equals another row's: the two share a place.
    bool dead_heat = false;
    Result_made made = Result_made::clicked;
    // Who started in the lane, from the event's start list; empty without one.
    std::string bib, name, club;
    bool Timed() const { return Is_real_time(time); }
    bool operator==(const Heat_result_row&) const = default;
};

struct Heat_result {
    // The station's event; set by whoever writes the result out (it may change after ranking).
    std::string event;
    std::string heat;
    std::string capture_time;
    // The heat-start correction in ms, taken off every shown time.
    int32_t correction = 0;
    // The unit and rounding of every shown time; equal shown times share a place.
    Result_time_rule rule;
    // Lanes with a time or a code, in place order.
    std::vector<Heat_result_row> rows;
    // All 16 lane records in place order, lanes without a result last.
    Heat_lane_records ranked{};
    // 0 while provisional; 1 once made official, 2, 3 ... for each change after that.
    int32_t revision = 0;

    // "Provisional" or "Official, revision n".
    std::string State_text() const;
    bool Has_names() const;

    int Timed_count() const;
    // The lane's place 1..16 when it has a real time, else 0.
    int16_t Place_of_lane(int16_t lane) const;
    bool operator==(const Heat_result&) const = default;
};

// Ascending time; equal times by the earlier click (ticks, taken wrap-safe); codes after real
// times and lanes without a result last.
Heat_lane_records Rank_lanes(Heat_lane_records records);

// The result of records already in place order. Rows whose times are equal as the rule shows
// them share the first one's place, and the next place is skipped (1, 2=, 2=, 4).
Heat_result Make_heat_result(const Heat_lane_records& ranked, int32_t correction, std::string heat,
                             std::string capture_time, Result_time_rule rule = {});
// The heat ranked from its records by lane (index 0..15 is the lane, whatever Lane says).
Heat_result Rank_heat(Heat_lane_records by_lane, int32_t correction, std::string heat, std::string capture_time,
                      Result_time_rule rule = {});

// A row as it is shown, exported and printed: place ("2=" in a dead heat), lane, corrected time
// (or the code's letters) and "+" the difference (empty for a code), all at the rule's unit.
struct Heat_result_texts {
    std::string rank, lane, time, delta;
    bool operator==(const Heat_result_texts&) const = default;
};
Heat_result_texts Row_texts(const Heat_result& result, const Heat_result_row& row);

// "DSQ", "DNS", "DNF"; "" for a real time.
std::string Code_letters(int32_t time);
// "Disqualified", "Did not start", "Did not finish"; "" for a real time.
std::string Code_words(int32_t time);
// A lane's result in words: "Place: " place " Time : " time for a placed lane, else
// "Disqualified", "Did not start" or "Did not finish"; "" for a lane without a result.
std::string Lane_result_words(const Heat_result& result, int16_t lane);
// "clicked", "confirmed", "overridden": how a row's time was made, as files and tooltips say it.
std::string Made_word(Result_made made);
// The same read back; anything else is a click.
Result_made Made_from_word(const std::string& word);

} // namespace wk
