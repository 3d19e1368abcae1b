#pragma once
// The leading point of a hull from where each of its rows ends. A field samples every other row
// of the frame, so the point itself mostly lies between two sampled rows: the outline through
// the farthest row and its neighbours says how much further it reaches there.
#include <optional>
#include <vector>

namespace wk {

struct Row_front {
    double y = 0;    // the row in the frame
    double edge = 0; // how far past the line the row's hull reaches
};

// rows: one a sampled row, rows 2 apart neighbours. None without any row.
std::optional<double> Leading_point(std::vector<Row_front> rows);

} // namespace wk
