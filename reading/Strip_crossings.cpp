#include "reading/Strip_crossings.h"

#include "reading/Middle_value.h"
#include "recording/Finish_strip.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace wk {
namespace {

constexpr int k_Min_threshold = 36; // summed over red, green and blue
constexpr int k_Min_fields = 4;     // a hull lies on the line longer than a blade or a splash
constexpr int k_Min_run = 3;        // samples
// A band of samples each fainter than the level but together as wide as a hull: a thin dark hull
// on dark water whose waves lift the level. Where such a band lasts twice as long as anything
// that clears the level, the clear stretch is a blade's or a paddler's touch of a faint hull.
constexpr int k_Faint_share = 6; // tenths of the level
constexpr int k_Faint_run = 8;   // samples
constexpr int k_Least_usual = 8; // fields that tell a sample's usual colour

int Distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

bool Unreadable(QRgb c) { return c == Finish_strip::k_Unreadable || c == Finish_strip::k_Not_ready; }

// A sample's middle colour over its fields (only those of the first and last quarters: ends_only)
// and the level off it that counts; none from fewer fields than tell it.
std::optional<std::pair<QRgb, int>> Usual(const QRgb* row, int32_t columns, bool ends_only)
{
    std::vector<QRgb> colours;
    for (int32_t k = 0; k < columns; ++k)
        if (!Unreadable(row[k]) && (!ends_only || k < columns / 4 || k >= columns - columns / 4))
            colours.push_back(row[k]);
    if (colours.size() < size_t(ends_only ? k_Least_usual : 1)) return std::nullopt;
    std::vector<int> r, g, b, d;
    for (QRgb c : colours) r.push_back(qRed(c)), g.push_back(qGreen(c)), b.push_back(qBlue(c));
    const QRgb usual = qRgb(Middle_value(r), Middle_value(g), Middle_value(b));
    for (QRgb c : colours) d.push_back(Distance(c, usual));
    // Waves and camera noise move the water's colour; a hull stands out of that.
    return std::pair{usual, std::max(k_Min_threshold, 4 * Middle_value(d) + 12)};
}

} // namespace

// The recording starts before the boats reach the line and ends after they have left it, but a
// boat that eases off over the line, or drifts there, may lie on it in most fields between, its
// colour then the middle of them all: where the fields of the strip's first and last quarters
// together show a colour further from that than their own level, theirs is the water's.
Strip_crossings::Strip_crossings(const QImage& strip) : strip_(strip)
{
    const int32_t samples = strip.height(), columns = strip.width();
    usual_.resize(size_t(samples));
    threshold_.resize(size_t(samples));
    for (int32_t i = 0; i < samples; ++i) {
        const auto* row = reinterpret_cast<const QRgb*>(strip.constScanLine(i));
        const auto all = Usual(row, columns, false);
        if (!all) continue;
        const auto ends = Usual(row, columns, true);
        const bool ends_tell = ends && Distance(ends->first, all->first) > ends->second;
        std::tie(usual_[size_t(i)], threshold_[size_t(i)]) = ends_tell ? *ends : *all;
    }
}

int Strip_crossings::Deviation(int32_t sample, int32_t column, int tenths) const
{
    const QRgb c = reinterpret_cast<const QRgb*>(strip_.constScanLine(sample))[column];
    if (Unreadable(c)) return 0;
    return 10 * Distance(c, usual_[size_t(sample)]) > tenths * threshold_[size_t(sample)] ? 1 : 0;
}

int Strip_crossings::Longest_run(int32_t first, int32_t last, int32_t column, int tenths) const
{
    int best = 0, run = 0, gap = 0;
    for (int32_t i = first; i <= last; ++i) {
        if (Deviation(i, column, tenths)) {
            run += 1 + gap;
            gap = 0;
            best = std::max(best, run);
        } else if (run > 0 && gap == 0) {
            gap = 1; // one sample of noise inside a hull does not split it
        } else {
            run = gap = 0;
        }
    }
    return best;
}

// Per field: 0 when it says nothing (not built or not decoded), else itself and the fields not
// built right after it, which it stands for when only some fields were built.
std::vector<int32_t> Strip_crossings::Fields_stood_for(int32_t sample) const
{
    const auto* row = reinterpret_cast<const QRgb*>(strip_.constScanLine(sample));
    std::vector<int32_t> stands_for(size_t(strip_.width()), 0);
    int32_t not_built = 0;
    for (int32_t k = strip_.width() - 1; k >= 0; --k) {
        if (row[k] == Finish_strip::k_Not_ready) {
            ++not_built;
        } else if (row[k] == Finish_strip::k_Unreadable) {
            not_built = 0;
        } else {
            stands_for[size_t(k)] = 1 + not_built;
            not_built = 0;
        }
    }
    return stands_for;
}

std::optional<Strip_stretch> Strip_crossings::Stretch(int32_t first, int32_t last) const
{
    const auto clear = Stretch(first, last, 10, k_Min_run);
    const auto faint = Stretch(first, last, k_Faint_share, k_Faint_run);
    if (!clear || (faint && faint->fields >= 2 * clear->fields)) return faint;
    return clear;
}

std::optional<Strip_stretch> Strip_crossings::Stretch(int32_t first, int32_t last, int tenths, int min_run) const
{
    first = std::max(first, 0);
    last = std::min(last, strip_.height() - 1);
    if (first > last) return std::nullopt;
    const std::vector<int32_t> stands_for = Fields_stood_for(first);
    std::optional<Strip_stretch> best;
    int64_t best_score = 0, score = 0, start = -1, end = -1, misses = 0;
    int widest = 0;
    auto close = [&] {
        const bool wide = widest >= std::max(2 * k_Min_run, min_run);
        if (start >= 0 && end - start + 1 >= k_Min_fields && wide && score > best_score) {
            best_score = score;
            best = Strip_stretch{start + 1, end - start + 1};
        }
        start = -1, score = 0, misses = 0, widest = 0;
    };
    for (int32_t k = 0; k < strip_.width(); ++k) {
        // A field that could not be decoded says nothing: it neither ends nor lengthens a stretch.
        if (stands_for[size_t(k)] == 0) continue;
        const int run = Longest_run(first, last, k, tenths);
        if (run >= min_run) {
            if (start < 0) start = k;
            // A field standing for those not built after it: what lay on the line then lay there
            // halfway through them, as far as this field can tell.
            end = k + (stands_for[size_t(k)] - 1) / 2;
            score += int64_t(run) * stands_for[size_t(k)];
            widest = std::max(widest, run);
            misses = 0;
        } else if (start >= 0 && ++misses > 1) {
            close();
        }
    }
    close();
    return best;
}

} // namespace wk
