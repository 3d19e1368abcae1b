#pragma once
// Reads one lane at a time: looks only at the frames around where the strip saw its boat cross,
// taken from the store the lanes share, so that several read lanes side by side and a frame two
// lanes need is decoded once.
#include "reading/Bow_reader.h"
#include "reading/Finish_reader.h"
#include "reading/Frame_store.h"
#include "reading/Goal_geometry.h"
#include "reading/Lane_judgement.h"
#include "reading/Strip_crossings.h"

#include <map>
#include <optional>
#include <set>
#include <vector>

namespace wk {

class Lane_window;
struct Bow_sample;
struct Bow_view;
struct Cover_look;

class Lane_reader {
public:
    // decoding: the calling thread's. look_step: the water is read in frames 1, 1 + look_step,
    // 1 + 2 look_step ... (and the last), which the search for crossings decoded already. All
    // must outlive the reader.
    Lane_reader(Frame_store& frames, Frame_store::Decoding& decoding, const Goal_geometry& line,
                int32_t look_step = 1);
    ~Lane_reader();
    Lane_reader(const Lane_reader&) = delete;
    Lane_reader& operator=(const Lane_reader&) = delete;

    Lane_proposal Read(const Lane_job& job);
    // The part of the frame Read looks at for a lane.
    static Lane_window Window(const Goal_geometry& line, const Lane_span& span, int32_t frame_width,
                              int32_t frame_height);
    // The fields Read looks at first for a lane whose boat the strip saw in s: first, last.
    static std::pair<int64_t, int64_t> First_fields(const Strip_stretch& s);

private:
    // What the fields of the lane being read showed so far.
    struct Seen {
        int64_t first = 0, last = 0; // the fields looked at around the crossing
        int direction = 0;           // of travel: +1 toward larger u, -1 toward smaller
        std::vector<Bow_sample> samples;
        Lane_notes notes;
        std::set<double> covered; // fields, by their time, where something stood in front of the bow
        bool keep_covered = false; // what stands in front of the bow is read with the hull
    };

    // The brightness of the decoded frame (1-based), kept while one lane is read; nullptr when it
    // cannot be read.
    const uint8_t* Frame(int32_t frame);
    std::vector<const uint8_t*> Water_frames(const Strip_stretch& s);
    // The bow in field f; none when its frame cannot be read.
    std::optional<Bow_field> Measure(const Bow_reader& bow, int64_t f, int direction, bool covers = true);
    int Direction(const Bow_reader& bow, int64_t first, int64_t last);
    std::vector<Bow_sample> Samples(const Bow_reader& bow, const Lane_job& job, int64_t first, int64_t last,
                                    Seen& seen);

    Lane_proposal Read_with(const Bow_reader& bow, const Lane_window& window, const Lane_job& job);
    Lane_proposal Read_crossing(const Bow_reader& bow, const Lane_window& window, const Lane_job& job, Seen& seen);
    std::optional<Crossing_estimate> Fields_crossing(const Bow_reader& bow, const Lane_job& job, Seen& seen);
    bool Goes_on(const Bow_reader& bow, const Lane_job& job, const Crossing_estimate& e, Seen& seen);
    double Cover_near_line(const Lane_job& job, const std::vector<Bow_sample>& samples, Cover_look look, int step);
    std::vector<Bow_view> Views(const Lane_job& job, double t, const std::set<double>& covered);
    int32_t Water_frame(int64_t field, int side) const;

    Frame_store& store_;
    Frame_store::Decoding& decoding_;
    const Finish_strip_source& source_;
    const Goal_geometry& line_;
    int32_t look_step_;
    std::map<int32_t, Frame_store::Picture> frames_; // none: the frame cannot be read
    // The lane's bow reader's looks at its fields: the way of travel and then the bow are
    // measured in the same fields.
    std::map<int64_t, std::shared_ptr<const Bow_reader::Look>> looks_;
};

} // namespace wk
