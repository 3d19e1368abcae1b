// The recording object on any bytes as an own-format, AVI, raw DV or sdv file: open, every stream's
// frames, extra data, traces, time codes, race data, every drawing, close. The first input byte
// picks the kind; the rest is the file.
#include "platform/Draw_surface.h"
#include "recording/Timecode_module.h"
#include "recording/cls_AVI_handler.h"
#include "tests/fuzz/Fuzz_support.h"

#include <QImage>

#include <algorithm>
#include <exception>

using namespace wk;

namespace {

void Read_race_data(cls_AVI_handler& rec)
{
    try {
        rec.Event_name();
        rec.Lane_count();
        for (int16_t lane = 0; lane < 16; ++lane) rec.Heat_time(1, lane);
        int16_t x1, y1, x2, y2;
        rec.Get_Goalline(x1, y1, x2, y2);
        rec.Capture_time();
    } catch (const std::exception&) {
        // A header without these elements is fine; what matters is no crash.
    }
}

void Read_frames(cls_AVI_handler& rec, platform::Draw_surface& picture)
{
    const int32_t frames = rec.num_frames();
    const int32_t last = std::max<int32_t>(frames, 1);
    for (int16_t stream = 1; stream <= std::min<int16_t>(rec.Num_Video_streams(), 3); ++stream)
        for (int32_t f : {1, last, last + 1}) {
            rec.Read_Frame(f, stream);
            rec.Extra_data();
            rec.Lap_Count();
            rec.Frame_time();
            rec.Parse_DV_header();
            Timecode_Text();
            try {
                rec.Multi_TimeStamp(1);
            } catch (const std::exception&) {
            }
        }
    int32_t frame = 1;
    rec.Draw_frame(frame, picture);
    for (int32_t field : {2, 2 * last + 3}) {
        rec.Draw_field_3(field, picture, 1, field == 2);
        rec.Draw_field(field, picture);
    }
    rec.Refresh_field(picture, false);
    rec.Trace().Read_Trace_Array();
    rec.Trace().Read_Trace_Data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Quiet_program();
    if (size < 1) return 0;
    static const char* const kinds[] = {"qs2", "avi", "dv", "sdv"};
    const std::string path = fuzz::Memory_input(data + 1, size - 1, kinds[data[0] % 4]);
    // The size the viewer shows a PAL picture at: pictures are copied row by row, as they are there.
    static QImage image(720, 576, QImage::Format_RGB32);
    platform::Draw_surface picture(&image);
    // One object for every input, as the viewer keeps one for every recording it opens: nothing
    // of one file may answer for the next, and its pictures are not made anew each time.
    static cls_AVI_handler rec;
    if (rec.Open_File(path)) {
        Read_race_data(rec);
        Read_frames(rec, picture);
        rec.Property_String();
    }
    rec.Close_File();
    return 0;
}
