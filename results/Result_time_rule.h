#pragma once
// How result times are shown, printed and exported: to the hundredth, as the station always did,
// or to the thousandth that the finish reader gives; cut down to the unit (as always), rounded up
// to the next unit (as athletics and most finish rules do) or to the nearest.
#include <cstdint>
#include <string>

namespace wk {

struct Result_time_rule {
    enum class Rounding { down, up, nearest };
    int digits = 2; // 2: hundredths, 3: thousandths
    Rounding rounding = Rounding::down;

    // The time on the shown unit, in ms; the rounding works on the size, so a negative time
    // shows the same digits as its positive.
    int64_t Shown_ms(int64_t ms) const;
    bool operator==(const Result_time_rule&) const = default;
};

// Settings keys of section Canoe: "1/100" or "1/1000"; "down", "up" or "nearest".
inline constexpr char k_Time_precision_key[] = "time_precision";
inline constexpr char k_Time_rounding_key[] = "time_rounding";

// The rule from the two texts; anything unknown keeps the station's rule (hundredths, down).
Result_time_rule Parse_result_time_rule(const std::string& precision, const std::string& rounding);
// The rule the settings file gives.
Result_time_rule Result_time_rule_from_settings();

} // namespace wk
