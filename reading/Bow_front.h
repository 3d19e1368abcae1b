#pragma once
// The leading point of a hull from where each of its rows ends. A field samples every other row
// of the frame, so the point itself mostly lies between two sampled rows: the outline of the
// rows around the farthest one, carried on to where its upper and lower edges meet, says how
// much further it reaches there and at what height.
#include <optional>
#include <vector>

namespace wk {

struct Row_front {
    double y = 0;    // the row in the frame
    double edge = 0; // how far along the travel the row's hull reaches
};

// rows: one a sampled row, rows gap apart neighbours (2 in one field). The point (its height and
// how far it reaches); none without any row. Rows one apart (every row of the frame, as the
// fields moved to one instant show them) are each taken as a pixel row reads the outline: its
// mean over the row's height. Two apart, one field cannot tell how far the outline falls within
// its rows from how it falls between them, so each row is taken at its middle.
std::optional<Row_front> Leading_point(std::vector<Row_front> rows, double gap = 2);

} // namespace wk
