// The sdv conversion on any bytes as an sdv file: either a recording that the recording object
// opens with the frames the conversion counted and the whole race, or a refusal with a message
// and nothing left beside the source.
#include "recording/cls_AVI_handler.h"
#include "tests/fuzz/Fuzz_support.h"
#include "viewer/Sdv_conversion.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace wk;
namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "sdv conversion: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// Every piece of the race reads back (a value the header cannot give raises and ends the run).
void Check_race(cls_AVI_handler& rec)
{
    if (rec.Heat_ID(1) != "h99") Fail("the heat ID is missing", rec.Heat_ID(1));
    rec.Event_name();
    rec.Capture_time();
    rec.Start_local_Mill_Time(1);
    int16_t x1, y1, x2, y2;
    rec.Get_Goalline(x1, y1, x2, y2);
    const int16_t lanes = rec.Lane_count();
    if (lanes < 0 || lanes > 10) Fail("lane count out of the lane table", std::to_string(lanes));
    for (int16_t lane = 1; lane <= lanes; ++lane) rec.LaneX(lane), rec.LaneY(lane);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Quiet_program();
    const std::string source = fuzz::Write_input(data, size, "sdv");
    const fs::path dest = Converted_file_name(source);
    fs::remove(dest);
    const Sdv_conversion_result r = Convert_sdv_recording(source, dest.string());
    for (const auto& e : fs::directory_iterator(dest.parent_path()))
        if (e.path().extension() == ".qs2" && e.path() != dest) Fail("a passing file was left", e.path().string());
    if (!r.written) {
        if (r.problem.empty()) Fail("refused without a message", "");
        if (fs::exists(dest)) Fail("refused but a recording is there", r.problem);
        return 0;
    }
    cls_AVI_handler rec;
    if (!rec.Open_File(dest.string())) Fail("the recording does not open", r.problem);
    if (rec.num_frames() != r.frames)
        Fail("frame count", std::to_string(rec.num_frames()) + " read, " + std::to_string(r.frames) + " converted");
    Check_race(rec);
    rec.Close_File();
    return 0;
}
