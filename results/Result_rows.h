#pragma once
// The rows of the results window as the viewer fills them: the heat's result, shown as 16 rows of
// place, lane, time and difference, and the heat's labels. The results window implements it;
// until it is installed (and in tests) a plain one keeps the result and its texts.
#include "results/Heat_result.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace wk {

class Result_sheet;

class Result_rows {
public:
    static constexpr int k_Rows = 16;
    virtual ~Result_rows() = default;
    // The heat's result changed: its rows, capture time and heat are shown from it.
    virtual void Results_changed(const Heat_result& result) = 0;
    // The result last shown; empty after Clear_Results.
    virtual const Heat_result& Shown_result() const = 0;
    // The event name caption.
    virtual void Lbl_event_name(const std::string& text) = 0;
    // Empties every row and the capture time: the shown result becomes an empty one.
    virtual void Clear_Results() = 0;
    // Empties the heat's labels.
    virtual void Clear_Heat_Data() = 0;
    // Shows the heat-start correction (ms) the heat's result is made with.
    virtual void Display_Compensate_Mill(int32_t correction) = 0;
    // The recording's start (local time of day, ms) and its display without correction.
    virtual void Recorded_start_mill(int32_t ms) = 0;
    virtual void Display_Original_Start_Time() = 0;
    // Moves the viewer to the finish field of the row's place (0: the first field).
    virtual void GoTo_Field(int16_t row) = 0;
    // Shows the window with its left edge at left (twips), or hides it.
    virtual void Show_results_window(bool show, int32_t left) {}
    // The width the results window takes beside the viewer, its frame included (pixels); 0 for
    // rows without a window.
    virtual int Beside_width() const { return 0; }
    // The sheet these rows are printed on; nullptr when they are not printed.
    virtual Result_sheet* Sheet() { return nullptr; }
};

// Keeps the texts; what the tests read.
class Plain_result_rows final : public Result_rows {
public:
    struct Row {
        std::string rank, lane, time, delta;
        bool operator==(const Row&) const = default;
    };
    std::array<Row, k_Rows> rows{};
    std::string capture_time, heat, event_name;
    Heat_result result;
    int32_t recorded_start = 0;
    int32_t shown_correction = 0;
    int go_to_field_calls = 0;
    Result_sheet* sheet = nullptr;

    void Results_changed(const Heat_result& changed) override;
    const Heat_result& Shown_result() const override { return result; }
    void Lbl_event_name(const std::string& text) override { event_name = text; }
    void Clear_Results() override;
    void Clear_Heat_Data() override { heat.clear(); }
    void Display_Compensate_Mill(int32_t correction) override { shown_correction = correction; }
    void Recorded_start_mill(int32_t ms) override { recorded_start = ms; }
    void Display_Original_Start_Time() override {}
    void GoTo_Field(int16_t) override { ++go_to_field_calls; }
    Result_sheet* Sheet() override { return sheet; }
};

// The rows the viewer fills: the installed ones, else a program-wide plain instance.
Result_rows& Results_rows();
// nullptr puts the plain rows back.
void Install_result_rows(Result_rows* rows);
// Without installed rows, the rows come from the maker (the program's results window, made on
// first use); nullptr from it, or no maker, gives the plain rows.
void Install_result_rows_maker(std::function<Result_rows*()> maker);

} // namespace wk
