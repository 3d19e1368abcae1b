#pragma once
// A demo heat: a recording made through the program's own writer, showing lanes of water, a
// vertical goal line and one boat a lane crossing it at a known field, with the extra data and
// the header a capture would have given it.
#include <cstdint>
#include <string>
#include <vector>

namespace wk::demo {

struct Options {
    int lanes = 6;       // 1 .. 15
    double seconds = 0;  // 0: just long enough for every boat to finish, with a margin
    // The painted goal line over the boats, or under them as a line marked on the water is:
    // a finish strip along the line then shows the boats.
    bool line_over_boats = true;
};

struct Crossing {
    int16_t lane = 0;        // the lane number the viewer shows (1 .. 15), also its mark's place in the header
    int32_t frame = 0;       // the frame in which the bow touches the line
    int16_t field = 1;       // 1 or 2 of that frame
    int32_t race_time = 0;   // what a click on that field must give, ms
    int32_t mark_x = 0, mark_y = 0; // the lane's mark on the picture, where a finish click goes
};

struct Result {
    int32_t frames = 0;
    int32_t heat_start = 0;  // PC milliseconds, as stored in heat 1
    int32_t goal_x = 0;
    std::vector<Crossing> crossings;
};

// Writes the heat to path (which must not exist yet). Throws std::runtime_error on failure.
Result Make_demo_heat(const std::string& path, const Options& options);

} // namespace wk::demo
