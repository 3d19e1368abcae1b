// make_demo_heat [--lanes N] [--seconds S] [--line-under-boats] OUTPUT.qs2
// Writes a demo heat and prints, for each lane, where its boat touches the goal line, the race
// time a click there must give and where the lane's mark lies on the picture.
#include "services/Module_utilities.h"
#include "tools/Demo_heat.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    wk::demo::Options options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--lanes" || a == "--seconds") && i + 1 < argc) {
            char* end = nullptr;
            const double v = std::strtod(argv[++i], &end);
            if (!end || *end) {
                std::fprintf(stderr, "make_demo_heat: %s needs a number\n", a.c_str());
                return 2;
            }
            if (a == "--lanes") options.lanes = int(v);
            else options.seconds = v;
        } else if (a == "--line-under-boats") {
            options.line_over_boats = false;
        } else if (!a.empty() && a[0] != '-' && output.empty()) {
            output = a;
        } else {
            std::fprintf(stderr, "usage: make_demo_heat [--lanes N] [--seconds S] [--line-under-boats] OUTPUT.qs2\n");
            return 2;
        }
    }
    if (output.empty()) {
        std::fprintf(stderr, "usage: make_demo_heat [--lanes N] [--seconds S] [--line-under-boats] OUTPUT.qs2\n");
        return 2;
    }
    try {
        const auto r = wk::demo::Make_demo_heat(output, options);
        std::printf("%s: %d frames, heat start %d, goal line at x = %d\n", output.c_str(), r.frames, r.heat_start,
                    r.goal_x);
        for (const auto& c : r.crossings)
            std::printf("lane %d: frame %d field %d race time %d ms (%s) mark at %d,%d\n", c.lane, c.frame,
                        c.field, c.race_time, wk::Display_Mill_Time(c.race_time, true).c_str(), c.mark_x, c.mark_y);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_demo_heat: %s\n", e.what());
        return 1;
    }
}
