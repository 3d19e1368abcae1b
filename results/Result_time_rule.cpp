// The unit and rounding of result times.
#include "results/Result_time_rule.h"

#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"

namespace wk {

int64_t Result_time_rule::Shown_ms(int64_t ms) const
{
    const int64_t unit = digits == 3 ? 1 : 10;
    const int64_t size = ms < 0 ? -ms : ms;
    int64_t units = size / unit;
    const int64_t rest = size % unit;
    if (rounding == Rounding::up && rest > 0) ++units;
    if (rounding == Rounding::nearest && 2 * rest >= unit) ++units;
    return (ms < 0 ? -units : units) * unit;
}

Result_time_rule Parse_result_time_rule(const std::string& precision, const std::string& rounding)
{
    Result_time_rule rule;
    if (precision == "1/1000") rule.digits = 3;
    if (rounding == "up") rule.rounding = Result_time_rule::Rounding::up;
    if (rounding == "nearest") rule.rounding = Result_time_rule::Rounding::nearest;
    return rule;
}

Result_time_rule Result_time_rule_from_settings()
{
    return Parse_result_time_rule(Read_Ini_Value("Canoe", k_Time_precision_key, Ini_file_path, "1/100"),
                                  Read_Ini_Value("Canoe", k_Time_rounding_key, Ini_file_path, "down"));
}

} // namespace wk
