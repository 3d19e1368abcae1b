#pragma once
// Synthetic finishes with known truth: a heat of boats crossing the goal line, written through
// the program's own writer as a capture would leave it, and the true crossing of every lane on
// the clock a finish click gives. Seeded: the same options give the same frames.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wk::finish_heat {

// What makes a heat hard. Every kind has pointed hulls, stroke pulsing, waves, reflections,
// camera noise and DV compression; each kind adds its own difficulty, mixed has them all at
// random.
enum class Kind { mixed, plain, blade, slanted, reversed, dead_heat, empty, stopper, hidden, dark };
inline constexpr Kind k_All_kinds[] = {Kind::mixed,     Kind::plain, Kind::blade,   Kind::slanted, Kind::reversed,
                                       Kind::dead_heat, Kind::empty, Kind::stopper, Kind::hidden,  Kind::dark};
std::string Kind_name(Kind kind);
std::optional<Kind> Kind_from_name(const std::string& name);

// How a heat looks: the boats, water, light and camera the reader was made against, or a
// second look drawn apart from it that the reader is judged on and never tuned to.
enum class Style { own, held_out };
std::string Style_name(Style style);

struct Options {
    uint64_t seed = 1;
    Kind kind = Kind::mixed;
    int lanes = 6;          // 1 .. 15
    double lead_ms = 1000;  // recorded before the first crossing
    double tail_ms = 600;   // and after the last stern has passed the line
    bool whole_passage = true;  // false: the tail counts from the last crossing
    Style style = Style::own;
};

enum class Lane_kind { finish, empty, stopper };
std::string Lane_kind_name(Lane_kind kind);

struct Lane_truth {
    int lane = 0;                 // as the viewer shows it, also its mark's place in the header
    Lane_kind kind = Lane_kind::finish;
    double time_ms = 0;           // finish only: race ms on the click clock, whole microseconds
    int32_t frame = 0;            // finish only: the field whose click time lies nearest
    int16_t field = 0;
    double bow_y = 0;             // the bow's height (frame rows) as it reaches the line
    int direction = 1;            // +1: the boat moves to the right in the picture
    int32_t mark_x = 0, mark_y = 0;
    std::string note;             // what makes the lane hard, when something does
};

struct Truth {
    uint64_t seed = 0;
    Kind kind = Kind::mixed;
    Style style = Style::own;
    int32_t frames = 0;
    int32_t heat_start = 0;  // the heat's start tick, as stored in heat 1
    int32_t goal[4] = {};    // x1, y1, x2, y2 as in the header
    std::vector<Lane_truth> lanes;
    std::vector<std::pair<int, int>> dead_heats;  // finishing lanes less than 5 ms apart
};

// Writes the heat to path (which must not exist yet) and its truth to Truth_path(path).
// Throws std::runtime_error on failure and then leaves neither file behind.
Truth Make_finish_heat(const std::string& path, const Options& options);

// The truth of the heat the options make, without painting or writing it.
Truth Truth_of(const Options& options);

// "heat.qs2" -> "heat.truth.json"
std::string Truth_path(const std::string& recording_path);
// One JSON object; times with three decimals (microseconds).
std::string Truth_json(const Truth& truth);

} // namespace wk::finish_heat
