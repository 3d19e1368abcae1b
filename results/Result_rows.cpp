// The rows the viewer fills, and the plain rows that stand in until the results window is there.
#include "results/Result_rows.h"

#include "platform/State_reset.h"

namespace wk {

namespace {

Result_rows* g_Installed_rows = nullptr;
std::function<Result_rows*()> g_Rows_maker;

Plain_result_rows& Standby_rows()
{
    static Plain_result_rows rows;
    return rows;
}

// The stand-in rows keep what was shown on them until the results window is there.
const platform::State_reset k_Forget_standby_rows{[] { Standby_rows() = Plain_result_rows{}; }};

} // namespace

void Plain_result_rows::Results_changed(const Heat_result& changed)
{
    result = changed;
    rows.fill(Row{});
    // Rows in a dead heat share a place, so each row goes by its position, not its place.
    for (size_t i = 0; i < result.rows.size(); ++i) {
        const Heat_result_texts texts = Row_texts(result, result.rows[i]);
        rows.at(i) = {texts.rank, texts.lane, texts.time, texts.delta};
    }
    capture_time = result.capture_time;
    heat = result.heat;
}

void Plain_result_rows::Clear_Results()
{
    rows.fill(Row{});
    capture_time.clear();
    result = Heat_result{};
}

Result_rows& Results_rows()
{
    if (g_Installed_rows) return *g_Installed_rows;
    if (g_Rows_maker)
        if (Result_rows* made = g_Rows_maker()) return *made;
    return Standby_rows();
}

void Install_result_rows(Result_rows* rows) { g_Installed_rows = rows; }

void Install_result_rows_maker(std::function<Result_rows*()> maker) { g_Rows_maker = std::move(maker); }

} // namespace wk
