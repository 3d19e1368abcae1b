#pragma once
// Where each lane's boat reaches the line, from a finish strip of as few frames as tell it: one
// frame in every few over the whole recording, close enough together that no hull can pass the
// line between two of them, then every frame back from where a lane's boat was first seen on the
// line to the last frame that showed none, and a few after it. The frames around the crossings
// are the ones the lanes are read in next, so the store keeps them for that.
#include "reading/Frame_store.h"
#include "reading/Reading_strip.h"
#include "reading/Strip_crossings.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace wk {

class Crossing_search {
public:
    // One decoding for each thread the search may use. All must outlive the search.
    Crossing_search(Frame_store& store, std::vector<std::unique_ptr<Frame_store::Decoding>>& decodings,
                    const Finish_strip_line& line);

    // The frames apart of the first look: 0.3 s, so that a hull lies on the line in two of them
    // at least (a 5 m hull passes in 0.6 s only at 8 m/s, faster than anyone paddles or rows).
    static int32_t Step(double ms_per_frame);

    // lanes: each lane's samples of the line, first and last. Its stretch per lane, none where
    // nothing lay on the line.
    std::vector<std::optional<Strip_stretch>> Find(const std::vector<std::pair<int32_t, int32_t>>& lanes);

    const Reading_strip& Strip() const { return strip_; }
    int32_t Step() const { return step_; }

private:
    void Put(const std::vector<int32_t>& frames);
    std::vector<int32_t> Frames_missing_around(const Strip_stretch& s) const;

    Frame_store& store_;
    std::vector<std::unique_ptr<Frame_store::Decoding>>& decodings_;
    Reading_strip strip_;
    int32_t step_;
};

} // namespace wk
