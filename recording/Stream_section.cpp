// The stream section: streams, the cameras' places in the file, and the selection of fields.
#include "recording/Stream_section.h"

#include "recording/DV_Header_Record.h"
#include "recording/Recording_file.h"
#include "recording/Recording_port.h"
#include "recording/Recording_reader.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>

namespace wk {

Cls_XML_header& Stream_section::Header() { return port_.File().Header(); }

// ---- Streams ----

int16_t Stream_section::stream_from_pos(int16_t camera_pos) const
{
    int16_t found = 0;
    for (int16_t s = 1; s <= std::min<int16_t>(port_.File().num_streams, 5); ++s)
        if (port_.File().streams[size_t(s)].CameraPos == camera_pos) found = s;
    return found;
}

void Stream_section::Read_Stream_Info() { port_.File().Read_stream_info(); }

void Stream_section::Let_Num_write_streams(int16_t streams)
{
    num_write_streams_ = streams;
    Header().Streams_no(streams);
}

void Stream_section::Set_Multi_Stream_Size()
{
    try {
        multi_width_ = 720;
        multi_height_ = 576;
        pos_in_file_.fill(0);
        const auto& streams = port_.File().streams;
        const int16_t last = std::min<int16_t>(port_.File().num_streams, 5);
        int16_t active = 0;
        for (int16_t s = 1; s <= last; ++s)
            if (streams[size_t(s)].Active) ++active;
        if (active == 1) {
            for (int16_t s = 1; s <= last; ++s)
                if (streams[size_t(s)].Active) {
                    multi_width_ = streams[size_t(s)].Width;
                    multi_height_ = streams[size_t(s)].Height;
                    if (streams[size_t(s)].CameraPos >= 1 && streams[size_t(s)].CameraPos <= 6)
                        pos_in_file_[size_t(streams[size_t(s)].CameraPos)] = 1;
                }
        } else if (active == 2) {
            // Two streams side by side: the widths add, the taller one sets the height.
            int32_t w = 0, h = 0;
            for (int16_t pos = 1; pos <= 6; ++pos) {
                const int16_t s = stream_from_pos(pos);
                if (s == 0 || !streams[size_t(s)].Active) continue;
                pos_in_file_[size_t(pos)] = 1;
                w += streams[size_t(s)].Width;
                h = std::max<int32_t>(h, streams[size_t(s)].Height);
            }
            multi_width_ = int16_t(w);
            multi_height_ = int16_t(h);
        }
    } catch (...) {
        Report_current_exception("set_Multi_Stream_Size" + std::string(" of Class Module cls_AVI_handler"));
    }
}

int16_t Stream_section::Active_Streams()
{
    auto& h = Header();
    int16_t n = 0;
    for (int16_t s = 1; s <= h.Streams_no(); ++s)
        if (h.Stream_Active(s)) ++n;
    return n;
}

bool Stream_section::rotated() const
{
    return port_.Reader().Can_rotate() ? port_.File().streams[1].rotated : false;
}

bool Stream_section::rotated(bool on) { return Stream_rotated(1, on); }

bool Stream_section::Stream_rotated(int16_t id) { return Header().Stream_rotated(id); }

// The stream record is what the getter reads: it follows the header at once, not at the next open.
bool Stream_section::Stream_rotated(int16_t id, bool on)
{
    Header().Stream_rotated(id, on);
    if (id >= 1 && size_t(id) < port_.File().streams.size()) port_.File().streams[size_t(id)].rotated = on;
    return port_.Store_header();
}

bool Stream_section::Set_stream_active(int16_t pos, bool on)
{
    const int16_t s = stream_from_pos(pos);
    if (s == 0) return false;
    Header().Stream_Active(s, on);
    return port_.Store_header();
}

bool Stream_section::pos_Active(int16_t pos) { return Header().Stream_Active(stream_from_pos(pos)); }
int16_t Stream_section::Camera_pos(int16_t stream) { return Header().Stream_CameraPos(stream); }
void Stream_section::Camera_pos(int16_t stream, int16_t value) { Header().Stream_CameraPos(stream, value); }

void Stream_section::Stream_offset(int16_t id, int16_t value)
{
    if (id >= 1 && id <= 3) Header().Offset_fields(id, value);
}

int16_t Stream_section::Pos_In_File(int16_t pos) const
{
    if (pos < 1 || pos > 6) throw Run_time_error(err_Subscript, "Subscript out of range");
    return pos_in_file_[size_t(pos)];
}

// ---- Selection ----

int32_t Stream_section::Selection_start()
{
    if (const DV_Header_Record* record = port_.Reader().DV_record()) return record->Selection_start;
    if (!port_.Reader().Has_XML_header()) return 0;
    return Header().Selection_start(1);
}

int32_t Stream_section::Selection_end()
{
    if (const DV_Header_Record* record = port_.Reader().DV_record()) return record->Selection_end;
    if (!port_.Reader().Has_XML_header()) return 0;
    return Header().Selection_end(1);
}

// A recording with a DV header record keeps its selection there, written at once.
void Stream_section::Set_sdv_selection(int16_t& field, int32_t value, const std::string& what)
{
    if (value < INT16_MIN || value > INT16_MAX) throw Run_time_error(err_Overflow, "Overflow");
    const int16_t old = field;
    field = int16_t(value);
    if (!port_.Store_dv_record()) {
        field = old;
        throw Run_time_error(err_Disk_full, "The " + what + " could not be written into " + port_.File().name);
    }
}

void Stream_section::Selection_start(int32_t value)
{
    if (DV_Header_Record* record = port_.Reader().DV_record())
        Set_sdv_selection(record->Selection_start, value, "selection start");
    else
        Header().Selection_start(1, value);
}

void Stream_section::Selection_end(int32_t value)
{
    if (DV_Header_Record* record = port_.Reader().DV_record())
        Set_sdv_selection(record->Selection_end, value, "selection end");
    else
        Header().Selection_end(1, value);
}

bool Stream_section::Set_Start_frame()
{
    Header().Selection_start(1, port_.Field_drawn());
    port_.Fields_changed();
    return port_.Store_header();
}

bool Stream_section::Set_End_frame()
{
    Header().Selection_end(1, port_.Field_drawn());
    port_.Fields_changed();
    return port_.Store_header();
}

// The selection start and end that Set_Start_frame and Set_End_frame store are cleared again.
bool Stream_section::Clear_Start_Frame()
{
    Header().Selection_start(1, 0);
    port_.Fields_changed();
    return port_.Store_header();
}

bool Stream_section::Clear_End_Frame()
{
    Header().Selection_end(1, 0);
    port_.Fields_changed();
    return port_.Store_header();
}

bool Stream_section::Set_Selrect_stream1(int16_t a, int16_t b, int16_t c, int16_t d)
{
    auto& h = Header();
    h.Selection_Rectangle(1, "b", a);
    h.Selection_Rectangle(1, "l", b);
    h.Selection_Rectangle(1, "r", c);
    h.Selection_Rectangle(1, "t", d);
    return port_.Store_header();
}

} // namespace wk
