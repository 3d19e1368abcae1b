#pragma once
// The 30 heat rows of the marathon window as the window renders them: number, name and start of
// each heat, which heats are selected, which run, and the elapsed time the clock last showed.
// The rows follow the marathon file and write every change into it; the window saves the file.
#include "results/Marathon_file.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wk {

struct Marathon_row {
    std::string heat_num, heat_name, start;
    bool selected = false;
    bool running = true; // the start time shown upright; italic while stopped
    Heat_elapsed elapsed;
};

class Marathon_rows {
public:
    static constexpr int k_Rows = Marathon_file::k_Heats;
    enum class Column { heat_num, heat_name, heat_start };

    Marathon_file& File() { return file_; }
    const Marathon_file& File() const { return file_; }
    const Marathon_row& Row(int index) const { return rows_.at(size_t(index)); }

    // Without the file, Start, Stop and the edits change nothing.
    bool File_present() const { return present_; }
    void File_present(bool present) { present_ = present; }

    // The heat other windows take as current: the one last selected; 0 for none.
    int16_t Selected_Heat() const { return selected_heat_; }
    // The current heat's start as "hh:mm:ss"; "" without a current heat or when its start is not
    // a time of day.
    std::string Selected_start() const;
    void Select_Heat(int16_t id, bool selected);
    void Deselect_all_Heats();

    // The rows from the file; a missing element leaves its part of the row as it was.
    void Load_Form_Data();
    // A typed value into the row and the file; without the file only the row keeps it (false).
    bool Edit(int index, Column column, const std::string& text);
    // What the rows hold into a newly made file: the heats typed before it existed.
    void Write_rows();
    // Running becomes stopped and back (heat_running "t" / "f").
    bool Toggle_running(int index);
    // Every selected heat starts at the time (heat_start, heat_running "t"), or is stopped
    // (heat_running "f", its start kept). False without the file.
    bool Start_selected(const std::string& time_of_day);
    bool Stop_selected();
    // The elapsed times at that second of the day.
    void Tick(int32_t now_seconds);

    // Called after a row changed (its index), or many (-1).
    std::function<void(int)> Row_changed;

private:
    void Changed(int index);
    bool Set_running(int index, bool running);

    Marathon_file file_;
    std::array<Marathon_row, k_Rows> rows_{};
    bool present_ = false;
    int16_t selected_heat_ = 0;
};

} // namespace wk
