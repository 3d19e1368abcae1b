#include "reading/Bow_front.h"

#include <algorithm>
#include <cmath>

namespace wk {
namespace {

constexpr double k_Row_gap = 2;       // frame rows between the rows of a field

const Row_front* Row_at(const std::vector<Row_front>& rows, double y)
{
    for (const Row_front& r : rows)
        if (std::abs(r.y - y) < 0.5) return &r;
    return nullptr;
}

} // namespace

std::optional<double> Leading_point(std::vector<Row_front> rows)
{
    if (rows.empty()) return std::nullopt;
    const Row_front lead = *std::max_element(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.edge < b.edge; });
    const Row_front* up = Row_at(rows, lead.y - k_Row_gap);
    const Row_front* down = Row_at(rows, lead.y + k_Row_gap);
    if (!up && !down) return lead.edge;
    if (!up && !down) return lead.edge;
    if (!up || !down) {
        // The point lies at the hull's upper or lower edge (a raked stem), somewhere in the row
        // the field did not sample beyond the lead row: along the outline, half that row on
        // the mean.
        const Row_front& other = up ? *up : *down;
        return lead.edge + std::max(0.0, lead.edge - other.edge) / (2 * k_Row_gap);
    }
    // The outline through the three rows as a parabola: its vertex is the point.
    const double curve = up->edge - 2 * lead.edge + down->edge;
    if (curve >= 0) return lead.edge;
    const double offset = std::clamp((up->edge - down->edge) / (2 * curve), -0.5, 0.5);
    return lead.edge - 0.25 * (up->edge - down->edge) * offset;
}

} // namespace wk
