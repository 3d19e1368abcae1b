#include "reading/Crossing_search.h"

#include "reading/Parallel_work.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace wk {
namespace {

constexpr double k_Look_ms = 300;
constexpr int k_Rounds = 8; // of looking closer; a lane still unsure after them is read as it is

int32_t Frame_of(int64_t field) { return int32_t((field + 1) / 2); }

} // namespace

Crossing_search::Crossing_search(Frame_store& store, std::vector<std::unique_ptr<Frame_store::Decoding>>& decodings,
                                 const Finish_strip_line& line)
    : store_(store), decodings_(decodings),
      strip_(line, store.Frames(), store.Source().frame_width, store.Source().frame_height),
      step_(Step(2 * store.Source().ms_per_field))
{
}

int32_t Crossing_search::Step(double ms_per_frame)
{
    if (!(ms_per_frame > 0)) return 1;
    return std::clamp(int32_t(std::floor(k_Look_ms / ms_per_frame)), 1, 25);
}

void Crossing_search::Put(const std::vector<int32_t>& frames)
{
    Run_parallel(frames.size(), decodings_.size(), [&](size_t i, size_t worker) {
        const Frame_store::Picture p = store_.Get(frames[i], *decodings_[worker]);
        strip_.Put(frames[i], p.get());
    });
}

// The frames not yet on the strip that say where the stretch starts and whether it is a hull:
// those back to the last frame on the strip before its first field, and the two after that
// field's frame, in which a hull still lies on the line while a blade's or a splash's touch is
// over.
std::vector<int32_t> Crossing_search::Frames_missing_around(const Strip_stretch& s) const
{
    std::vector<int32_t> missing;
    const int32_t at = Frame_of(s.first_field);
    for (int32_t f = Frame_of(s.first_field - 1); f >= 1 && f < at && !strip_.Has(f); --f) missing.push_back(f);
    for (int32_t f = at + 1; f <= std::min(strip_.Frames(), at + 2); ++f)
        if (!strip_.Has(f)) missing.push_back(f);
    return missing;
}

std::vector<std::optional<Strip_stretch>> Crossing_search::Find(const std::vector<std::pair<int32_t, int32_t>>& lanes)
{
    std::vector<std::optional<Strip_stretch>> found(lanes.size());
    if (strip_.Frames() == 0) return found;
    std::vector<int32_t> looks;
    for (int32_t f = 1; f <= strip_.Frames(); f += step_) looks.push_back(f);
    if (looks.back() != strip_.Frames()) looks.push_back(strip_.Frames());
    Put(looks);
    // The water's usual colour from the evenly spread looks alone: the frames decoded later lie
    // where boats are.
    const Strip_crossings crossings(strip_.Picture());
    for (int round = 0;; ++round) {
        std::set<int32_t> wanted;
        for (size_t i = 0; i < lanes.size(); ++i) {
            found[i] = crossings.Stretch(lanes[i].first, lanes[i].second);
            if (found[i])
                for (int32_t f : Frames_missing_around(*found[i])) wanted.insert(f);
        }
        if (wanted.empty() || round == k_Rounds) break;
        Put({wanted.begin(), wanted.end()});
    }
    return found;
}

} // namespace wk
