// make_finish_heat [--seed N] [--kind KIND] [--lanes N] [--style own|held-out] [--lead-ms MS]
//                  [--tail-ms MS] OUTPUT.qs2
// Writes a synthetic finish and its truth (OUTPUT.truth.json): every lane's true crossing on
// the clock a finish click gives.
#include "tools/Finish_heat.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int Usage()
{
    std::string kinds;
    for (auto k : wk::finish_heat::k_All_kinds) {
        if (!kinds.empty()) kinds += '|';
        kinds += wk::finish_heat::Kind_name(k);
    }
    std::fprintf(stderr, "usage: make_finish_heat [--seed N] [--kind %s] [--lanes N] [--style own|held-out] [--lead-ms MS] [--tail-ms MS] OUTPUT.qs2\n",
                 kinds.c_str());
    return 2;
}

bool Number(const char* text, long long low, long long high, long long& out)
{
    char* end = nullptr;
    out = std::strtoll(text, &end, 10);
    return end && end != text && !*end && out >= low && out <= high;
}

} // namespace

int main(int argc, char** argv)
{
    wk::finish_heat::Options options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        long long n = 0;
        if (a == "--seed" && i + 1 < argc) {
            if (!Number(argv[++i], 0, (1LL << 62), n)) return Usage();
            options.seed = uint64_t(n);
        } else if (a == "--lanes" && i + 1 < argc) {
            if (!Number(argv[++i], 1, 15, n)) {
                std::fprintf(stderr, "make_finish_heat: the number of lanes must be 1 to 15\n");
                return 2;
            }
            options.lanes = int(n);
        } else if ((a == "--lead-ms" || a == "--tail-ms") && i + 1 < argc) {
            // Real heats run long before the first boat and after the last: the reader must
            // not lose a lane in them.
            if (!Number(argv[++i], 0, 300000, n)) return Usage();
            (a == "--lead-ms" ? options.lead_ms : options.tail_ms) = double(n);
        } else if (a == "--style" && i + 1 < argc) {
            const std::string style = argv[++i];
            if (style != "own" && style != "held-out") return Usage();
            options.style = style == "own" ? wk::finish_heat::Style::own : wk::finish_heat::Style::held_out;
        } else if (a == "--kind" && i + 1 < argc) {
            const auto kind = wk::finish_heat::Kind_from_name(argv[++i]);
            if (!kind) return Usage();
            options.kind = *kind;
        } else if (!a.empty() && a[0] != '-' && output.empty()) {
            output = a;
        } else {
            return Usage();
        }
    }
    if (output.empty()) return Usage();
    try {
        const auto t = wk::finish_heat::Make_finish_heat(output, options);
        std::printf("%s: %d frames, %s, truth in %s\n", output.c_str(), int(t.frames),
                    wk::finish_heat::Kind_name(t.kind).c_str(), wk::finish_heat::Truth_path(output).c_str());
        for (const auto& l : t.lanes) {
            if (l.kind == wk::finish_heat::Lane_kind::finish)
                std::printf("lane %d: crosses at %.3f ms (nearest field: frame %d field %d)", l.lane, l.time_ms,
                            int(l.frame), int(l.field));
            else
                std::printf("lane %d: %s", l.lane, wk::finish_heat::Lane_kind_name(l.kind).c_str());
            std::printf(l.note.empty() ? "\n" : " - %s\n", l.note.c_str());
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_finish_heat: %s\n", e.what());
        return 1;
    }
}
