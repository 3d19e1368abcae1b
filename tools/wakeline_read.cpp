// wakeline_read RECORDING [--json]
// Proposes every lane's finish in a recording: the instant its bow reaches the goal line, with
// how far the instant may be off, how far to trust it and why. It never writes to the recording.
#include "reading/Finish_reader.h"
#include "services/Module_utilities.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

namespace {

std::string Json_text(const std::string& s)
{
    std::string out = "\"";
    for (const unsigned char c : s) {
        if (c == '"' || c == '\\') out += '\\', out += char(c);
        else if (c < 0x20) {
            char b[8];
            std::snprintf(b, sizeof b, "\\u%04x", c);
            out += b;
        } else out += char(c);
    }
    return out + "\"";
}

std::string Number(double v, int decimals)
{
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, std::isfinite(v) ? v : 0.0);
    return b;
}

std::string Json(const wk::Finish_reading& r)
{
    std::string s = "{\"lanes\":[";
    for (size_t i = 0; i < r.lanes.size(); ++i) {
        const wk::Lane_proposal& p = r.lanes[i];
        s += (i ? "," : "") + std::string("{\"lane\":") + std::to_string(p.lane) +
             ",\"time_ms\":" + (p.time_ms ? Number(*p.time_ms, 2) : "null") +
             ",\"uncertainty_ms\":" + Number(p.uncertainty_ms, 2) + ",\"frame\":" + std::to_string(p.frame) +
             ",\"field\":" + std::to_string(p.field) + ",\"confidence\":" + Number(p.confidence, 2) +
             ",\"why\":" + Json_text(p.why) + "}";
    }
    s += "],\"dead_heats\":[";
    for (size_t i = 0; i < r.dead_heats.size(); ++i)
        s += (i ? "," : "") + std::string("[") + std::to_string(r.dead_heats[i].first) + "," +
             std::to_string(r.dead_heats[i].second) + "]";
    return s + "]}";
}

void Print(const wk::Finish_reading& r)
{
    for (const wk::Lane_proposal& p : r.lanes) {
        if (p.time_ms)
            std::printf("lane %d: %s (%.2f ms) +- %.2f ms, frame %lld field %d, confidence %.2f%s%s\n", p.lane,
                        wk::Display_Mill_Time(int32_t(std::lround(*p.time_ms)), true).c_str(), *p.time_ms,
                        p.uncertainty_ms, static_cast<long long>(p.frame), p.field, p.confidence,
                        p.why.empty() ? "" : ": ", p.why.c_str());
        else
            std::printf("lane %d: no crossing: %s\n", p.lane, p.why.c_str());
    }
    for (const auto& [a, b] : r.dead_heats) std::printf("possible dead heat: lanes %d and %d\n", a, b);
}

} // namespace

int main(int argc, char** argv)
{
    std::string path;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json") json = true;
        else if (!a.empty() && a[0] != '-' && path.empty()) path = a;
        else path.clear(), i = argc;
    }
    if (path.empty()) {
        std::fprintf(stderr, "usage: wakeline_read RECORDING [--json]\n");
        return 2;
    }
    try {
        const wk::Finish_reading r = wk::Read_finish(path);
        if (json) std::printf("%s\n", Json(r).c_str());
        else Print(r);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "wakeline_read: %s\n", e.what());
        return 1;
    }
}
