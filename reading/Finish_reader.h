#pragma once
// The finish reader: for every lane of a recording, the instant its boat's bow reaches the goal
// line, finer than a field, with an honest uncertainty. It only proposes; a person decides.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wk {

struct Lane_proposal {
    int lane = 0;                   // lane as the viewer numbers it
    std::optional<double> time_ms;  // race ms as a click's clock gives it; none: no crossing
    double uncertainty_ms = 0;      // the true instant lies within +- this, 9 lanes in 10
    int64_t frame = 0;              // the frame nearest the crossing, as the viewer numbers it
    int field = 1;                  // 1 or 2, the earlier field first as the viewer steps them
    double confidence = 0;          // 0..1
    std::string why;                // a short reason in words when confidence is low
};

struct Finish_reading {
    std::vector<Lane_proposal> lanes;
    std::vector<std::pair<int, int>> dead_heats; // lanes whose times differ by less than
                                                 // their uncertainties
};

struct Finish_reader_options {
    int workers = 0; // decoding threads; 0: one less than the processors, at least two
    // Called from the calling thread with the share done, 0..1; may be empty.
    std::function<void(double)> progress;
};

// Reads the recording at path (its goal line, lane marks, start and frame times come from its own
// header). Throws wk::Run_time_error for a recording it cannot read (no such file, damaged, no
// goal line or lanes, no heat start); a lane it cannot read is a proposal without a time and a
// reason. Never writes to the recording.
Finish_reading Read_finish(const std::string& path, const Finish_reader_options& options = {});

} // namespace wk
