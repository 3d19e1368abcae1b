#include "results/Marathon_rows.h"

namespace wk {

void Marathon_rows::Changed(int index)
{
    if (Row_changed) Row_changed(index);
}

std::string Marathon_rows::Selected_start() const
{
    if (selected_heat_ < 1 || selected_heat_ > k_Rows) return "";
    // Shown and stored as the crew typed it ("9:59:00" stays so); only a start that is no time of
    // day gives none.
    const std::string& start = rows_[size_t(selected_heat_ - 1)].start;
    return Seconds_of_day(start) ? start : "";
}

void Marathon_rows::Select_Heat(int16_t id, bool selected)
{
    if (id < 1 || id > k_Rows) return;
    rows_[size_t(id - 1)].selected = selected;
    // Deselecting the current heat leaves none, so that nothing is timed against it.
    if (selected) selected_heat_ = id;
    else if (selected_heat_ == id) selected_heat_ = 0;
    Changed(id - 1);
}

void Marathon_rows::Deselect_all_Heats()
{
    for (int16_t id = 1; id <= k_Rows; ++id) Select_Heat(id, false);
    selected_heat_ = 0;
}

void Marathon_rows::Load_Form_Data()
{
    if (!present_) return;
    for (int k = 0; k < k_Rows; ++k) {
        Marathon_row& row = rows_[size_t(k)];
        // An element that is missing keeps the row's value; the next one is read all the same.
        if (auto v = file_.Heat_field(k + 1, "heat_name")) row.heat_name = *v;
        if (auto v = file_.Heat_field(k + 1, "heat_num")) row.heat_num = *v;
        if (auto v = file_.Heat_field(k + 1, "heat_start")) row.start = *v;
        if (auto v = file_.Heat_field(k + 1, "heat_running")) row.running = *v == "t";
    }
    Changed(-1);
}

namespace {
constexpr const char* k_Elements[] = {"heat_num", "heat_name", "heat_start"};
}

bool Marathon_rows::Edit(int index, Column column, const std::string& text)
{
    if (index < 0 || index >= k_Rows) return false;
    Marathon_row& row = rows_[size_t(index)];
    std::string* fields[] = {&row.heat_num, &row.heat_name, &row.start};
    const auto c = size_t(column);
    // Without the file the row keeps what was typed until the file is made (Write_rows).
    *fields[c] = text;
    if (!present_) return false;
    file_.Heat_field(index + 1, k_Elements[c], text);
    Changed(index);
    return true;
}

void Marathon_rows::Write_rows()
{
    for (int k = 0; k < k_Rows; ++k) {
        const Marathon_row& row = rows_[size_t(k)];
        const std::string* fields[] = {&row.heat_num, &row.heat_name, &row.start};
        for (size_t c = 0; c < 3; ++c)
            if (!fields[c]->empty()) file_.Heat_field(k + 1, k_Elements[c], *fields[c]);
    }
}

bool Marathon_rows::Set_running(int index, bool running)
{
    rows_[size_t(index)].running = running;
    return file_.Heat_field(index + 1, "heat_running", running ? "t" : "f");
}

bool Marathon_rows::Toggle_running(int index)
{
    if (!present_ || index < 0 || index >= k_Rows) return false;
    Set_running(index, !rows_[size_t(index)].running);
    Changed(index);
    return true;
}

bool Marathon_rows::Start_selected(const std::string& time_of_day)
{
    if (!present_) return false;
    for (int k = 0; k < k_Rows; ++k) {
        if (!rows_[size_t(k)].selected) continue;
        rows_[size_t(k)].start = time_of_day;
        file_.Heat_field(k + 1, "heat_start", time_of_day);
        Set_running(k, true);
    }
    Changed(-1);
    return true;
}

bool Marathon_rows::Stop_selected()
{
    if (!present_) return false;
    for (int k = 0; k < k_Rows; ++k)
        if (rows_[size_t(k)].selected) Set_running(k, false);
    Changed(-1);
    return true;
}

void Marathon_rows::Tick(int32_t now_seconds)
{
    for (int k = 0; k < k_Rows; ++k) {
        Marathon_row& row = rows_[size_t(k)];
        row.elapsed = Elapsed_of(file_.Heat_field(k + 1, "heat_start").value_or(""), row.running, now_seconds);
    }
    Changed(-1);
}

} // namespace wk
