#include "tools/Demo_heat.h"

#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_utilities.h"
#include "tools/Dv_frames.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace wk::demo {
namespace {

constexpr int k_W = 720, k_H = 576;
constexpr int k_Goal_x = 540;
constexpr int k_Margin = 48;
constexpr int k_Boat_length = 100;
constexpr double k_Speed = 0.25;          // pixels per ms: 5 pixels a field
constexpr int32_t k_Base_tick = 3600000;  // tick of the first frame, a whole number of frames
constexpr int32_t k_Started_before = 45000 - 3;
constexpr int32_t k_Local_start = 10 * 3600000;

// The field (0-based, 20 ms apart from the first) at which lane i's bow reaches the line.
int64_t Crossing_field(int i) { return 50 + 18 * i + (i % 2); }

struct Lane_band {
    int top, bottom;
};

Lane_band Band(int i, int lanes)
{
    const int h = (k_H - 2 * k_Margin) / lanes;
    return {k_Margin + i * h, k_Margin + (i + 1) * h};
}

void Paint_goal_line(dv::DV_picture& p);

void Paint(dv::DV_picture& p, int64_t first_field, int lanes, bool line_over_boats)
{
    std::fill(p.y.begin(), p.y.end(), uint8_t(72));
    std::fill(p.u.begin(), p.u.end(), uint8_t(150));
    std::fill(p.v.begin(), p.v.end(), uint8_t(112));
    auto luma = [&](int x, int y) -> uint8_t& { return p.y[size_t(y) * k_W + size_t(x)]; };
    auto chroma = [&](std::vector<uint8_t>& plane, int x, int y) -> uint8_t& {
        return plane[size_t(y / 2) * (k_W / 2) + size_t(x / 2)];
    };
    // Lane ropes: dotted white lines between the lanes.
    for (int i = 0; i <= lanes; ++i) {
        const int y0 = std::min(i < lanes ? Band(i, lanes).top : Band(lanes - 1, lanes).bottom, k_H - 2);
        for (int y = y0; y < y0 + 2; ++y)
            for (int x = 0; x < k_W; ++x)
                if ((x / 8) % 2 == 0) luma(x, y) = 200;
    }
    if (!line_over_boats) Paint_goal_line(p);
    // Boats, each field at its own time: rows 1, 3, 5 ... are field 1, the earlier one.
    for (int i = 0; i < lanes; ++i) {
        const Lane_band b = Band(i, lanes);
        const int h = std::min(18, (b.bottom - b.top) / 3);
        const int top = (b.top + b.bottom) / 2 - h / 2;
        for (int y = top; y < top + h; ++y) {
            const int64_t field = first_field + ((y % 2 == 1) ? 0 : 1);
            const double t_ms = double(field - Crossing_field(i)) * 20.0;
            const int bow = int(std::lround(k_Goal_x + k_Speed * t_ms));
            for (int x = std::max(0, bow - k_Boat_length); x <= std::min(k_W - 1, bow); ++x) {
                luma(x, y) = uint8_t(190 - 8 * (i % 4));
                chroma(p.u, x, y) = uint8_t(40 + 12 * (i % 6));
                chroma(p.v, x, y) = uint8_t(200 - 10 * (i % 5));
            }
        }
    }
    if (line_over_boats) Paint_goal_line(p);
}

// The goal line, two pixels wide, from top to bottom.
void Paint_goal_line(dv::DV_picture& p)
{
    auto luma = [&](int x, int y) -> uint8_t& { return p.y[size_t(y) * k_W + size_t(x)]; };
    auto chroma = [&](std::vector<uint8_t>& plane, int x, int y) -> uint8_t& {
        return plane[size_t(y / 2) * (k_W / 2) + size_t(x / 2)];
    };
    for (int y = 0; y < k_H; ++y)
        for (int x = k_Goal_x; x < k_Goal_x + 2; ++x) {
            luma(x, y) = 235;
            chroma(p.u, x, y) = 128;
            chroma(p.v, x, y) = 128;
        }
}

} // namespace

Result Make_demo_heat(const std::string& path, const Options& options)
{
    // Lane marks 1 to 15 have their places in the header.
    if (options.lanes < 1 || options.lanes > 15) throw std::runtime_error("the number of lanes must be 1 to 15");
    const int lanes = options.lanes;
    const int64_t last_crossing = Crossing_field(lanes - 1);
    const int32_t needed_frames = int32_t(last_crossing / 2 + 1 + 25);
    int32_t frames = options.seconds > 0 ? int32_t(std::lround(options.seconds * 25)) : needed_frames;
    if (frames < needed_frames)
        throw std::runtime_error("the heat must last at least " + std::to_string(needed_frames / 25.0) +
                                 " seconds for every boat to finish");

    Result result;
    result.frames = frames;
    result.heat_start = k_Base_tick - k_Started_before;
    result.goal_x = k_Goal_x;

    cls_AVI_handler rec;
    rec.File_name(path);
    if (!rec.Create_File()) throw std::runtime_error("cannot create " + path + ": " + Problems_text(rec.Take_problems()));
    rec.Initiate_file();
    if (!rec.File_Initiated()) throw std::runtime_error("cannot write the header of " + path);
    Cls_XML_header& h = rec.Header();
    h.Event_name("Demo Regatta");
    h.Heat_ID(1, "1");
    h.Num_Lanes(int16_t(lanes));
    h.Start_lane(1);
    h.Lanes_Visible(true);
    h.Show_goalline(true);
    // As the capture station leaves a heat: marks locked, ready for finish clicks.
    h.Lanes_locked(true);
    // The viewer takes a goal line whose first point lies inside the picture, not on its edge.
    h.Set_Goalline(k_Goal_x, 1, k_Goal_x, k_H - 1);
    for (int i = 0; i < lanes; ++i) {
        const Lane_band b = Band(i, lanes);
        h.Lane_pos(int16_t(i + 1), k_Goal_x, (b.top + b.bottom) / 2);
    }
    h.Start_PC_mill(1, result.heat_start);
    h.Start_local_mill(1, k_Local_start - k_Started_before);
    if (!rec.Write_XML_header()) throw std::runtime_error("cannot write the header of " + path);

    dv::DV_picture picture;
    for (int32_t k = 1; k <= frames; ++k) {
        Paint(picture, 2 * int64_t(k - 1), lanes, options.line_over_boats);
        dv::DV_frame f = dv::Encode_DV_picture(picture);
        dv::Put_timecode(f, dv::Timecode_plus({10, 0, 0, 0}, k - 1));
        dv::Put_rec_datetime(f, dv::Rec_datetime_plus({2026, 6, 14, 10, 0, 0}, (k - 1) / 25));
        const int32_t stamp = k_Base_tick + 40 * (k - 1);
        dv::Write_DV_extra_data(f, {.arrival_tick = stamp + 2,
                                      .stamp_tick = stamp,
                                      .heat_start = result.heat_start,
                                      .local_time_ms = k_Local_start + 40 * (k - 1)});
        if (!rec.Append_DV_frame(f)) throw std::runtime_error("cannot append frame " + std::to_string(k));
    }
    rec.Close_File();

    for (int i = 0; i < lanes; ++i) {
        const int64_t n = Crossing_field(i);
        Crossing c;
        c.lane = int16_t(i + 1); // lane numbers start at 1
        c.frame = int32_t(n / 2 + 1);
        c.field = int16_t(n % 2 + 1);
        const int32_t stamp = k_Base_tick + 40 * (c.frame - 1);
        c.race_time = Round_To_Multiple(stamp, 40) - 10 - result.heat_start + (c.field == 2 ? 20 : 0);
        const Lane_band b = Band(i, lanes);
        c.mark_x = k_Goal_x;
        c.mark_y = (b.top + b.bottom) / 2;
        result.crossings.push_back(c);
    }
    return result;
}

} // namespace wk::demo
