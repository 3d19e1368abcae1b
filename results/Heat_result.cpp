// A heat's result made from its lane records by the one ranking the program knows.
#include "results/Heat_result.h"

#include "platform/Clock.h"
#include "services/Module_utilities.h"

#include <utility>

namespace wk {

namespace {

// Click times are ticks, which wrap: the earlier click is the one the other lies after.
bool Goes_after(const Lane_Result_Record& a, const Lane_Result_Record& b)
{
    if (a.Time != b.Time) return a.Time > b.Time;
    return platform::Tick_difference(a.Click_time, b.Click_time) > 0;
}

// Differences of two times may need 33 bits. Display_Mill_Time shows the time of day only, so
// the value is reduced to one day first, keeping its sign (a negative whole day still shows "-").
std::string Display_time(int64_t ms, bool strip, const Result_time_rule& rule)
{
    constexpr int64_t k_Day = 86400000;
    ms = rule.Shown_ms(ms);
    int64_t rest = (ms < 0 ? -ms : ms) % k_Day;
    if (rest == 0 && ms < 0) rest = k_Day;
    return Display_Mill_Time(int32_t(ms < 0 ? -rest : rest), strip, rule.digits);
}

int64_t Corrected_ms(const Heat_result& result, int32_t time) { return int64_t(time) - result.correction; }

std::string Corrected(const Heat_result& result, const Heat_result_row& row, bool strip)
{
    return Display_time(Corrected_ms(result, row.time), strip, result.rule);
}

// Cut down (the station's rule), the difference is cut as it is; rounded, it is what the shown times
// differ by, as a reader of the sheet would take it.
int64_t Shown_difference(const Heat_result& result, const Heat_result_row& row)
{
    if (result.rule.rounding == Result_time_rule::Rounding::down) return row.difference;
    const int64_t own = Corrected_ms(result, row.time);
    return result.rule.Shown_ms(own) - result.rule.Shown_ms(own - row.difference);
}

// Rows after the first whose shown time equals the row before share its place.
void Share_dead_heat_places(Heat_result& result)
{
    for (size_t i = 1; i < result.rows.size(); ++i) {
        Heat_result_row& row = result.rows[i];
        Heat_result_row& before = result.rows[i - 1];
        if (!row.Timed() || !before.Timed()) continue;
        if (result.rule.Shown_ms(Corrected_ms(result, row.time)) !=
            result.rule.Shown_ms(Corrected_ms(result, before.time)))
            continue;
        row.place = before.place;
        row.dead_heat = before.dead_heat = true;
    }
}

} // namespace

Heat_lane_records Rank_lanes(Heat_lane_records lanes)
{
    // Exchanges of neighbours only: equal records keep their lane order, as they always have.
    for (bool exchanged = true; exchanged;) {
        exchanged = false;
        for (size_t i = 0; i + 1 < lanes.size(); ++i)
            if (Goes_after(lanes[i], lanes[i + 1])) {
                std::swap(lanes[i], lanes[i + 1]);
                exchanged = true;
            }
    }
    return lanes;
}

Heat_result Rank_heat(Heat_lane_records by_lane, int32_t correction, std::string heat, std::string capture_time,
                      Result_time_rule rule)
{
    for (size_t k = 0; k < by_lane.size(); ++k) by_lane[k].Lane = int16_t(k);
    return Make_heat_result(Rank_lanes(by_lane), correction, std::move(heat), std::move(capture_time), rule);
}

Heat_result Make_heat_result(const Heat_lane_records& ranked, int32_t correction, std::string heat,
                             std::string capture_time, Result_time_rule rule)
{
    Heat_result result;
    result.heat = std::move(heat);
    result.capture_time = std::move(capture_time);
    result.correction = correction;
    result.rule = rule;
    result.ranked = ranked;
    const int32_t winner = result.ranked[0].Time;
    for (size_t i = 0; i < result.ranked.size(); ++i) {
        const Lane_Result_Record& r = result.ranked[i];
        if (r.Time >= No_Time) break;
        Heat_result_row row{int16_t(i + 1), r.Lane, r.Time, 0, r.Goal_field};
        row.made = r.Made;
        if (row.Timed()) row.difference = int64_t(r.Time) - winner;
        result.rows.push_back(row);
    }
    Share_dead_heat_places(result);
    return result;
}

int Heat_result::Timed_count() const
{
    int n = 0;
    for (const Heat_result_row& row : rows) n += row.Timed() ? 1 : 0;
    return n;
}

std::string Heat_result::State_text() const
{
    return revision > 0 ? "Official, revision " + std::to_string(revision) : "Provisional";
}

bool Heat_result::Has_names() const
{
    for (const Heat_result_row& row : rows)
        if (!row.bib.empty() || !row.name.empty()) return true;
    return false;
}

int16_t Heat_result::Place_of_lane(int16_t lane) const
{
    for (const Heat_result_row& row : rows)
        if (row.lane == lane) return row.Timed() ? row.place : int16_t(0);
    return 0;
}

Heat_result_texts Row_texts(const Heat_result& result, const Heat_result_row& row)
{
    Heat_result_texts texts{std::to_string(row.place) + (row.dead_heat ? "=" : ""), std::to_string(row.lane), {}, {}};
    if (row.Timed()) {
        texts.time = Corrected(result, row, false);
        texts.delta = "+" + Display_time(Shown_difference(result, row), true, result.rule);
    } else {
        texts.time = Code_letters(row.time);
    }
    return texts;
}

std::string Code_letters(int32_t time)
{
    switch (time) {
    case Time_DSQ: return "DSQ";
    case Time_DNS: return "DNS";
    case Time_DNF: return "DNF";
    default: return {};
    }
}

std::string Code_words(int32_t time)
{
    switch (time) {
    case Time_DSQ: return "Disqualified";
    case Time_DNS: return "Did not start";
    case Time_DNF: return "Did not finish";
    default: return {};
    }
}

std::string Lane_result_words(const Heat_result& result, int16_t lane)
{
    for (const Heat_result_row& row : result.rows) {
        if (row.lane != lane) continue;
        if (row.Timed())
            return "Place: " + std::to_string(row.place) + (row.dead_heat ? "=" : "") + " Time : " +
                   Corrected(result, row, true);
        return Code_words(row.time);
    }
    return {};
}

std::string Made_word(Result_made made)
{
    switch (made) {
    case Result_made::confirmed: return "confirmed";
    case Result_made::overridden: return "overridden";
    default: return "clicked";
    }
}

Result_made Made_from_word(const std::string& word)
{
    if (word == "confirmed") return Result_made::confirmed;
    if (word == "overridden") return Result_made::overridden;
    return Result_made::clicked;
}

} // namespace wk
