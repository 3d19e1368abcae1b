#include "reading/Bow_reader.h"

#include "reading/Bow_front.h"
#include "reading/Middle_value.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <optional>
#include <span>

namespace wk {
namespace {

constexpr int k_Min_threshold = 12;
constexpr int k_Min_core = 24;       // cells: smaller regions are no hull
constexpr double k_Front_depth = 15; // pixels behind the body's lead that give the bow's height
constexpr double k_Inside = 12;     // pixels behind the lead that each row is followed forward from
// Of the longest run a row of the core has that makes the row the hull's body: its rows near the
// edges run shorter where it narrows toward bow and stern, a blade's a small share.
constexpr double k_Body_share = 0.35;
constexpr int32_t k_Level_back = 24; // pixels behind that where a row's full level is looked for
constexpr int k_Gap = 3; // cells a row's run bridges (noise, a line or a shaft across the hull)
constexpr int32_t k_Point_reach = 3; // pixels past the half-covered one a thin point may reach
constexpr double k_Faint = 0.5; // of the body's rows' usual level: fainter rows are no hull
// Rows of a field by which something in front of the bow stands taller than the hull behind it,
// at the least: a row more or less is the outline's own step or noise.
constexpr int32_t k_Taller = 3;
constexpr int32_t k_Behind_cover = 3; // columns behind something in front of the bow that show the water

} // namespace

struct Bow_reader::Grid {
    int field = 1;
    int32_t rows = 0, cols = 0;
    std::vector<int16_t> d; // brightness of the picture less the water's
    std::vector<uint8_t> mask;
    std::span<const uint8_t> inside;
    std::span<const double> u, v;
    size_t At(int32_t r, int32_t c) const { return size_t(r) * size_t(cols) + size_t(c); }
    // Row by row, top left first.
    template <class F> void Neighbours(size_t i, F f) const
    {
        const int32_t r = int32_t(i / size_t(cols)), c = int32_t(i % size_t(cols));
        const int32_t c0 = std::max(c - 1, 0), c1 = std::min(c + 1, cols - 1);
        for (int32_t rr = std::max(r - 1, 0); rr <= std::min(r + 1, rows - 1); ++rr)
            for (size_t j = At(rr, c0), end = At(rr, c1); j <= end; ++j)
                if (j != i) f(j);
    }
};

namespace {

struct Band_row {
    double v0, v1;
};

using Grid_cells = std::vector<uint8_t>;

// Erosion then dilation with a 3 x 3 square: what is thinner than that (oar shafts, spray,
// single noisy cells) goes, the hull's body stays.
// A cell stays eroded where its whole square lies in the grid and is set; a set cell stays
// opened where an eroded one lies in its square. Walked along the rows: each cell's neighbours
// asked for one by one cost more than the test itself.
template <class Grid> Grid_cells Opened(const Grid& g)
{
    const int32_t rows = g.rows, cols = g.cols;
    Grid_cells eroded(g.mask.size(), 0), opened(g.mask.size(), 0);
    // Each cell with its row neighbours: those set three in a row.
    Grid_cells three(g.mask.size(), 0);
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* m = g.mask.data() + g.At(r, 0);
        uint8_t* t = three.data() + g.At(r, 0);
        for (int32_t c = 1; c + 1 < cols; ++c) t[c] = m[c - 1] & m[c] & m[c + 1];
    }
    for (int32_t r = 1; r + 1 < rows; ++r) {
        const uint8_t *up = three.data() + g.At(r - 1, 0), *at = up + cols, *down = at + cols;
        uint8_t* e = eroded.data() + g.At(r, 0);
        for (int32_t c = 1; c + 1 < cols; ++c) e[c] = up[c] & at[c] & down[c];
    }
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            const size_t i = g.At(r, c);
            if (!g.mask[i]) continue;
            uint8_t near = 0;
            for (int32_t rr = std::max(r - 1, 0); rr <= std::min(r + 1, rows - 1); ++rr)
                for (int32_t cc = std::max(c - 1, 0); cc <= std::min(c + 1, cols - 1); ++cc)
                    near |= eroded[g.At(rr, cc)];
            opened[i] = near;
        }
    return opened;
}

// Cells reached from the seeds through allowed cells, eight ways.
template <class Grid, class Allowed> Grid_cells Reached(const Grid& g, const std::vector<size_t>& seeds, Allowed allowed)
{
    Grid_cells seen(g.mask.size(), 0);
    std::deque<size_t> queue;
    for (size_t s : seeds)
        if (!seen[s]) seen[s] = 1, queue.push_back(s);
    while (!queue.empty()) {
        const size_t i = queue.front();
        queue.pop_front();
        g.Neighbours(i, [&](size_t j) {
            if (!seen[j] && allowed(j)) seen[j] = 1, queue.push_back(j);
        });
    }
    return seen;
}

// The rows the cells of one brightness run through in column c, up and down from row r, which
// counts whatever it holds: first, last.
template <class Grid>
std::pair<int32_t, int32_t> Column_run(const Grid& g, const Grid_cells& cells, int32_t r, int32_t c, int sign)
{
    auto same = [&](int32_t rr) { return cells[g.At(rr, c)] && (g.d[g.At(rr, c)] > 0 ? 1 : -1) == sign; };
    int32_t up = r, down = r;
    while (up > 0 && same(up - 1)) --up;
    while (down + 1 < g.rows && same(down + 1)) ++down;
    return {up, down};
}

// Whether column k, just ahead of the hull's column c in row r, holds something standing in front
// of the hull (a paddler, a blade upright): far taller than the hull there, above and below it,
// with water behind it in the rows it adds. Toward its point a hull only narrows, and what it
// trails (its wave, its mirror image) runs on back along it. back: the step toward the hull's back.
template <class Grid>
bool Stands_over(const Grid& g, const Grid_cells& cells, int32_t r, int32_t k, int32_t c, int32_t back, int sign)
{
    if (k < 0 || k >= g.cols) return false;
    const auto [up, down] = Column_run(g, cells, r, k, sign);
    const auto [hull_up, hull_down] = Column_run(g, cells, r, c, sign);
    const int32_t tall = down - up + 1, hull = hull_down - hull_up + 1;
    // Something in front of the bow covers all of its height, reaching past it above and below.
    if (tall < 2 * hull || tall - hull < k_Taller || up >= hull_up || down <= hull_down) return false;
    int extra = 0, behind = 0;
    for (int32_t rr = up; rr <= down; ++rr) {
        if (rr >= hull_up && rr <= hull_down) continue;
        for (int32_t j = 0; j < k_Behind_cover; ++j) {
            const int32_t cc = c + j * back;
            if (cc < 0 || cc >= g.cols) continue;
            ++extra;
            behind += cells[g.At(rr, cc)] && (g.d[g.At(rr, cc)] > 0 ? 1 : -1) == sign;
        }
    }
    return 4 * behind <= extra;
}

// The connected regions of cells, largest first: each as its cells.
template <class Grid> std::vector<std::vector<size_t>> Regions(const Grid& g, const Grid_cells& cells)
{
    std::vector<std::vector<size_t>> regions;
    Grid_cells taken(cells.size(), 0);
    for (size_t i = 0; i < cells.size(); ++i) {
        if (!cells[i] || taken[i]) continue;
        std::vector<size_t> region{i};
        taken[i] = 1;
        for (size_t k = 0; k < region.size(); ++k)
            g.Neighbours(region[k], [&](size_t j) {
                if (cells[j] && !taken[j]) taken[j] = 1, region.push_back(j);
            });
        regions.push_back(std::move(region));
    }
    std::sort(regions.begin(), regions.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    return regions;
}

} // namespace

// Brightness alone, as coded: it keeps each field's own rows, where the colour of a decoded frame
// is shared by the two fields' neighbouring rows and would smear a moving hull by a field's
// travel. Brightness worked back from that colour leaks it too: a saturated hull's clipped
// colour lifts its brightness toward the water's.
Bow_reader::Bow_reader(const Lane_window& window, const std::vector<const uint8_t*>& backgrounds, int32_t frame_width)
    : window_(window), frame_width_(frame_width)
{
    const int32_t w = window.Box_width(), h = window.Box_height();
    water_.assign(size_t(std::max(w, 0)) * size_t(std::max(h, 0)), 0);
    for (int field : {1, 2}) {
        Cells& cells = cells_[size_t(field - 1)];
        const int32_t rows = std::max(window.Rows(field), 0), cols = std::max(window.Cols(), 0);
        const size_t n = size_t(rows) * size_t(cols);
        cells.u.reserve(n), cells.v.reserve(n), cells.inside.reserve(n);
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < cols; ++c) {
                cells.u.push_back(window.U(field, r, c));
                cells.v.push_back(window.V(field, r, c));
                cells.inside.push_back(window.Inside(field, r, c));
            }
    }
    if (backgrounds.empty() || window.Empty()) return;
    std::vector<uint8_t> values;
    // How often each spread from the middle occurs: a spread is a difference of brightness, so
    // counting them gives their middle without keeping and ordering five for every pixel.
    std::array<size_t, 256> spread{};
    size_t spreads = 0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            values.clear();
            for (const uint8_t* b : backgrounds) values.push_back(Brightness(b, window.X0() + x, window.Y0() + y));
            const uint8_t m = Middle_value(values);
            water_[size_t(y) * size_t(w) + size_t(x)] = m;
            if (backgrounds.size() > 1)
                for (uint8_t value : values) ++spread[size_t(std::abs(int(value) - int(m)))], ++spreads;
        }
    if (spreads == 0) return;
    // The water's own change between fields (waves, noise), well clear: its middle as
    // Middle_value takes it, the upper of two.
    int middle = 0;
    for (size_t below = 0; (below += spread[size_t(middle)]) <= spreads / 2;) ++middle;
    threshold_ = std::max(k_Min_threshold, 6 * middle + 6);
}

Bow_reader Bow_reader::With_colour(Colour_layout colour, const std::vector<const uint8_t*>& backgrounds) const
{
    Bow_reader tinted = *this;
    tinted.colour_ = colour;
    // Without two frames of water its own change, and so a tint's threshold, is not known.
    if (colour.rows > 0 && backgrounds.size() > 1 && !window_.Empty() && !water_.empty())
        tinted.Take_water_tint(backgrounds);
    return tinted;
}

std::pair<int, int> Bow_reader::Tint(const uint8_t* picture, int32_t x, int32_t y) const
{
    const uint8_t* p = picture - colour_.Bytes() + size_t(colour_.rows - 1 - y) * size_t(colour_.stride) + 3 * size_t(x);
    const int b = p[0], g = p[1], r = p[2];
    return {(-43 * r - 85 * g + 128 * b) / 256, (128 * r - 107 * g - 21 * b) / 256};
}

// A hull may differ from the water in colour far more than in brightness (a green hull on teal
// water): its tint against the water's, measured like its brightness against the water's own
// change, tells it apart where brightness alone does not. The tint's edges are coarser (colour is
// coded at a lower resolution), so it says only which cells are the hull, never where an edge is.
void Bow_reader::Take_water_tint(const std::vector<const uint8_t*>& backgrounds)
{
    const int32_t w = window_.Box_width(), h = window_.Box_height();
    water_tint_.assign(water_.size(), {0, 0});
    std::vector<int> blue, red, spread;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            blue.clear(), red.clear();
            for (const uint8_t* b : backgrounds) {
                const auto [cb, cr] = Tint(b, window_.X0() + x, window_.Y0() + y);
                blue.push_back(cb), red.push_back(cr);
            }
            const int mb = Middle_value(blue), mr = Middle_value(red);
            water_tint_[size_t(y) * size_t(w) + size_t(x)] = {int16_t(mb), int16_t(mr)};
            for (size_t k = 0; k < blue.size(); ++k) spread.push_back(std::abs(blue[k] - mb) + std::abs(red[k] - mr));
        }
    tint_threshold_ = std::max(k_Min_threshold, 6 * Middle_value(spread) + 6);
}

Bow_reader::Grid Bow_reader::Difference(const uint8_t* picture, int field) const
{
    Grid g;
    g.field = field;
    g.rows = window_.Rows(field);
    g.cols = window_.Cols();
    const size_t n = size_t(std::max(g.rows, 0)) * size_t(std::max(g.cols, 0));
    const Cells& cells = cells_[field == 1 ? 0 : 1];
    g.u = cells.u, g.v = cells.v, g.inside = cells.inside;
    g.d.resize(n), g.mask.resize(n);
    for (int32_t r = 0; r < g.rows; ++r) {
        const int32_t y = window_.Frame_y(field, r);
        const uint8_t* water = water_.data() + size_t(y - window_.Y0()) * size_t(window_.Box_width());
        for (int32_t c = 0; c < g.cols; ++c) {
            const size_t i = g.At(r, c);
            g.d[i] = int16_t(int(Brightness(picture, window_.X0() + c, y)) - int(water[c]));
            g.mask[i] = g.inside[i] && std::abs(g.d[i]) > threshold_;
            if (!g.mask[i] && g.inside[i] && !water_tint_.empty()) {
                const auto [cb, cr] = Tint(picture, window_.X0() + c, y);
                const auto [wb, wr] = water_tint_[size_t(y - window_.Y0()) * size_t(window_.Box_width()) + size_t(c)];
                g.mask[i] = std::abs(cb - wb) + std::abs(cr - wr) > tint_threshold_;
            }
        }
    }
    return g;
}

// Where row r of the hull ends toward the travel, as a column signed along the travel: from
// inside the hull, some way behind the core's lead, forward to where the brightness crosses
// halfway from the row's hull level (where the row is wholly the body's) to the water, the
// crossing cell's share placing it within its pixel. A row may be lighter or darker than the water whatever the bow is as a whole: a light
// gunwale over a dark hull leads in one field and the hull in the next. None for a row that is
// not the hull's or too faint (a reflection, a shadow); NaN when the row runs out of the window.
std::optional<double> Bow_reader::Row_edge(const Grid& g, const std::vector<uint8_t>& body, int32_t r, int direction,
                                           double lead, double hull, bool* stopped) const
{
    const Goal_geometry& line = window_.Line();
    const double nx = line.U(1, 0) - line.U(0, 0);
    const int32_t step = direction * nx >= 0 ? 1 : -1;
    int32_t c = 0;
    double nearest = 1e9;
    for (int32_t k = 0; k < g.cols; ++k)
        if (std::abs(direction * g.u[g.At(r, k)] - (lead - k_Inside)) < nearest)
            nearest = std::abs(direction * g.u[g.At(r, k)] - (lead - k_Inside)), c = k;
    if (nearest > 2 || !g.mask[g.At(r, c)]) return std::nullopt;
    double own = 0;
    int n = 0;
    for (int32_t k = c; k >= 0 && k < g.cols && n < 3; k += step, ++n) own += g.d[g.At(r, k)];
    own /= std::max(n, 1);
    if (std::abs(own) < 0.5 * std::abs(hull)) return std::nullopt;
    // Near a thin bow the row may not be wholly covered where it is first looked at: further back,
    // where the hull's body is thicker, the row shows the hull's full level, against which the
    // pixels ahead read as the share of them it covers. The middle of the body's pixels there: the
    // largest of a few noisy means would read every share short.
    std::vector<double> back;
    for (int32_t k = c; k >= 0 && k < g.cols && std::abs(k - c) <= k_Level_back && body[g.At(r, k)]; k -= step)
        back.push_back(g.d[g.At(r, k)]);
    if (back.size() >= 3) {
        const double l = Middle_value(back);
        if (l * own > 0 && std::abs(l) > std::abs(own)) own = l;
    }
    auto share = [&](int32_t k) {
        return k >= 0 && k < g.cols && g.inside[g.At(r, k)] ? std::clamp(g.d[g.At(r, k)] / own, 0.0, 1.0) : 0.0;
    };
    // What stands far taller than the hull's rows behind it (a paddler, a blade across the bow)
    // is not followed: the row's hull ends where it begins.
    const int sign = own > 0 ? 1 : -1;
    auto open = [&](int32_t from, int32_t k) {
        if (!stopped) return true;
        const bool over = Stands_over(g, g.mask, r, k, from, -step, sign);
        *stopped |= over;
        return !over;
    };
    while (share(c + step) >= 0.5 && open(c, c + step)) c += step;
    if (c + step < 0 || c + step >= g.cols || !g.inside[g.At(r, c + step)]) return double(NAN);
    // The hull's share of every pixel ahead, as far as a thin point reaches: the area it covers.
    double ahead = 0;
    for (int32_t k = 1; k <= k_Point_reach && share(c + k * step) > 0 && open(c, c + k * step); ++k)
        ahead += share(c + k * step);
    const double x = window_.X0() + c + step * (0.5 + ahead - (1 - share(c)));
    return step * x;
}

// Each row's longest stretch of the core along the travel in one brightness (a dark blade over a
// light hull is not the hull), short gaps bridged (noise, a line or a shaft across the hull): from
// its front back.
std::vector<Bow_reader::Body_row> Bow_reader::Body_rows(const Grid& g, const std::vector<size_t>& core, int direction,
                                                        bool covers) const
{
    Grid_cells in_core(g.mask.size(), 0);
    for (size_t i : core) in_core[i] = 1;
    const Goal_geometry& line = window_.Line();
    const bool forward = direction * (line.U(1, 0) - line.U(0, 0)) >= 0; // the front lies at higher columns
    std::vector<Body_row> rows(size_t(std::max(g.rows, 0)));
    for (int32_t r = 0; r < g.rows; ++r) {
        Body_row& best = rows[size_t(r)];
        Body_row run;
        int sign = 0, gap = 0;
        for (int32_t k = 0; k < g.cols; ++k) {
            const size_t i = g.At(r, forward ? g.cols - 1 - k : k);
            const int s = g.d[i] > 0 ? 1 : -1;
            const double du = direction * g.u[i];
            const int32_t col = forward ? g.cols - 1 - k : k;
            if (in_core[i] && sign == s) run.back = du, run.back_col = col, gap = 0, run.sum += g.d[i], ++run.cells;
            else if (sign != 0 && ++gap <= k_Gap) continue;
            else if (in_core[i]) run = {du, du, 0, g.v[i], double(g.d[i]), 1, col, col}, sign = s, gap = 0;
            else sign = 0;
            run.length = run.front - run.back + 1;
            if (sign != 0 && run.length > best.length) best = run;
        }
        if (covers && best.front_col >= 0) Cut_cover(g, in_core, r, best, direction);
    }
    return rows;
}

// Where the core stands far taller at the run's front than just behind it, something stands in
// front of the bow there (a paddler, a blade upright) and the row's own hull ends where that
// begins. The bow itself may lie hidden behind it.
void Bow_reader::Cut_cover(const Grid& g, const Grid_cells& in_core, int32_t r, Body_row& b, int direction) const
{
    const int sign = g.d[g.At(r, b.front_col)] > 0 ? 1 : -1;
    const int32_t back = b.back_col > b.front_col ? 1 : -1;
    int32_t ahead = -1; // the hull-like column in front
    for (int32_t c = b.front_col; c != b.back_col + back; c += back) {
        if (!in_core[g.At(r, c)] || (g.d[g.At(r, c)] > 0 ? 1 : -1) != sign) continue; // a gap the run bridged
        if (ahead >= 0 && Stands_over(g, in_core, r, ahead, c, back, sign)) {
            b.front = direction * g.u[g.At(r, c)];
            b.front_col = c;
            b.length = b.front - b.back + 1;
            b.covered = true;
            return;
        }
        ahead = c;
    }
}

bool Bow_reader::Body_front::Fills(size_t r) const { return whole || rows[r].length >= k_Body_share * longest; }

// The hull's shadow on the water runs as long as the hull but much fainter than it (it takes a
// share of the light away, where the hull's paint differs by all of it): rows that differ from
// the water far less than the body's rows mostly do and reach past all of them are a shadow cast
// ahead, not the bow. A hull's own faint rows, shaded toward the keel, fall back from its stem.
void Bow_reader::Body_front::Leave_out_shadow()
{
    std::vector<double> levels;
    for (size_t r = 0; r < rows.size(); ++r)
        if (Fills(r)) levels.push_back(std::abs(rows[r].Level()));
    if (levels.empty()) return;
    const double body_level = Middle_value(levels);
    auto faint = [&](const Body_row& b) { return std::abs(b.Level()) < k_Faint * body_level; };
    double strong_lead = -1e9;
    for (size_t r = 0; r < rows.size(); ++r)
        if (Fills(r) && !faint(rows[r])) strong_lead = std::max(strong_lead, rows[r].front);
    for (Body_row& b : rows)
        if (faint(b) && b.front > strong_lead) b.length = 0;
}

// The bow's height and lead from every cell of the core near its front.
Bow_reader::Body_front Bow_reader::Whole_front(const Grid& g, const std::vector<size_t>& core, int direction) const
{
    Body_front f;
    f.whole = true;
    f.rows.resize(size_t(std::max(g.rows, 0)));
    for (size_t i : core) f.lead = std::max(f.lead, direction * g.u[i]);
    int front_cells = 0;
    for (size_t i : core)
        if (direction * g.u[i] >= f.lead - k_Front_depth)
            f.vmin = std::min(f.vmin, g.v[i]), f.vmax = std::max(f.vmax, g.v[i]), f.bow += g.d[i], ++front_cells;
    f.bow /= std::max(front_cells, 1);
    return f;
}

// The bow's height and lead from the hull's body: the rows where the core runs long and in one
// brightness behind its front. A blade or a paddler joined to the hull is short along the travel,
// and its cells would put the bow at their height and reach.
Bow_reader::Body_front Bow_reader::Front_of(const Grid& g, const std::vector<size_t>& core, int direction,
                                            bool covers) const
{
    Body_front f;
    f.rows = Body_rows(g, core, direction, covers);
    for (const Body_row& b : f.rows) f.longest = std::max(f.longest, b.length);
    f.Leave_out_shadow();
    for (size_t r = 0; r < f.rows.size(); ++r)
        if (f.Fills(r)) f.lead = std::max(f.lead, f.rows[r].front);
    int front_cells = 0;
    for (size_t r = 0; r < f.rows.size(); ++r) {
        const Body_row& b = f.rows[r];
        if (!f.Fills(r) || b.front < f.lead - k_Front_depth) continue;
        f.vmin = std::min(f.vmin, b.v), f.vmax = std::max(f.vmax, b.v);
        // The bow's own brightness against the water, from the body's front: the body further
        // back (a light paddler over a dark hull) does not speak for it.
        for (int32_t c = 0; c < g.cols; ++c) {
            const size_t i = g.At(int32_t(r), c);
            const double du = direction * g.u[i];
            if (du <= b.front && du >= std::max(b.back, f.lead - k_Front_depth)) f.bow += g.d[i], ++front_cells;
        }
    }
    f.bow /= std::max(front_cells, 1);
    return f;
}

// The regions that can be this lane's hull, largest first: those that reach the middle half of
// the lane. What only pokes in at its side is a neighbour's paddler, blade or bow.
std::vector<std::vector<size_t>> Bow_reader::Lane_regions(const Grid& g) const
{
    const Lane_span& span = window_.Span();
    const double quarter = (span.v1 - span.v0) / 4;
    const double lo = std::max(span.v0, span.mark - quarter), hi = std::min(span.v1, span.mark + quarter);
    auto regions = Regions(g, Opened(g));
    std::erase_if(regions, [&](const std::vector<size_t>& r) {
        return std::none_of(r.begin(), r.end(), [&](size_t i) { return g.v[i] >= lo && g.v[i] <= hi; });
    });
    return regions;
}

struct Bow_reader::Look {
    Grid grid;
    std::vector<std::vector<size_t>> regions;
};

std::shared_ptr<const Bow_reader::Look> Bow_reader::Look_at(const uint8_t* picture, int field) const
{
    auto look = std::make_shared<Look>();
    if (window_.Empty()) return look;
    look->grid = Difference(picture, field);
    look->regions = Lane_regions(look->grid);
    return look;
}

Bow_field Bow_reader::Measure(const uint8_t* picture, int field, int direction, bool covers) const
{
    return Measure(*Look_at(picture, field), direction, covers);
}

Bow_field Bow_reader::Measure(const Look& look, int direction, bool covers) const
{
    Bow_field out;
    if (window_.Empty()) return out;
    const Grid& g = look.grid;
    const auto& regions = look.regions;
    if (regions.empty() || regions[0].size() < size_t(k_Min_core)) return out;
    const std::vector<size_t>& core = regions[0];
    out.hull = true;
    // Another boat is as large and stands out as much: a reflection or a shadow is fainter.
    auto strength = [&](const std::vector<size_t>& r) {
        double sum = 0;
        for (size_t i : r) sum += std::abs(g.d[i]);
        return sum / double(r.size());
    };
    out.second_hull = regions.size() > 1 && regions[1].size() >= std::max<size_t>(k_Min_core, core.size() / 2) &&
                      strength(regions[1]) >= 0.6 * strength(core);
    double hull_colour = 0;
    for (size_t i : core) out.centroid_u += g.u[i], hull_colour += g.d[i];
    out.centroid_u /= double(core.size());
    hull_colour /= double(core.size());
    out.low_contrast = std::abs(hull_colour) < 2.0 * threshold_;
    if (direction == 0) return out;

    // A hull that barely differs from the water passes the threshold in patches: its rows break
    // into short runs that say nothing of the body, so the whole core's front stands for the bow.
    const Body_front body = out.low_contrast ? Whole_front(g, core, direction) : Front_of(g, core, direction, covers);
    const double lead = body.lead;
    const Grid_cells joined = Reached(g, core, [&](size_t j) { return g.mask[j] != 0; });
    double farthest_joined = -1e9;
    for (size_t k = 0; k < joined.size(); ++k)
        if (joined[k]) farthest_joined = std::max(farthest_joined, direction * g.u[k]);

    Grid_cells core_cells(g.mask.size(), 0);
    for (size_t i : core) core_cells[i] = 1;
    std::vector<Row_front> front;
    for (int32_t r = 0; r < g.rows; ++r) {
        // Followed from inside the row's own body: started in a blade over it, the row would end
        // where the blade does.
        const Body_row& b = body.rows[size_t(r)];
        if (!body.whole && (!body.Fills(size_t(r)) || b.front < lead - k_Inside - 1 || b.back > lead - k_Inside)) continue;
        bool stopped = b.covered;
        const std::optional<double> edge =
            Row_edge(g, core_cells, r, direction, lead, body.bow, covers ? &stopped : nullptr);
        out.covered |= stopped;
        if (!edge) continue;
        const Band_row row{g.v[g.At(r, 0)], g.v[g.At(r, g.cols - 1)]};
        if (std::max(row.v0, row.v1) < body.vmin - 3 || std::min(row.v0, row.v1) > body.vmax + 3) continue;
        if (std::isnan(*edge)) { // the hull runs out of the window ahead: its bow is not seen
            out.beyond = true;
            return out;
        }
        front.push_back({double(window_.Frame_y(g.field, r)), *edge});
    }
    if (const auto tip = Leading_point(front)) {
        // Boats travel along the rows: the point's distance past the line along its own row.
        const Goal_geometry& line = window_.Line();
        const double nx = line.U(1, 0) - line.U(0, 0), step = direction * nx >= 0 ? 1 : -1;
        out.tip_found = true;
        out.rows = front;
        out.tip = direction * line.U(step * tip->edge, tip->y) / std::max(std::abs(nx), 0.1);
        out.ahead = std::max(0.0, farthest_joined - out.tip);
        out.blade_ahead = out.ahead > 3;
    }
    return out;
}

} // namespace wk
