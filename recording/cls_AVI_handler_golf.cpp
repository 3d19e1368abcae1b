// The recording object's golf use: the swing's player and positions and its grade record, kept
// in the XML header, and the model video played in step with the recording.
#include "recording/cls_AVI_handler.h"

#include "recording/Avi_chunks.h"
#include "recording/Recording_reader.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>

namespace wk {
namespace {

constexpr const char* k_Golf_source = "cls_AVI_handler";

// A computed frame, field or time as a 32-bit number, halves to even.
int32_t Rounded_long(double v, const char* what)
{
    const double r = std::nearbyint(v);
    if (!(r >= double(std::numeric_limits<int32_t>::min()) && r <= double(std::numeric_limits<int32_t>::max())))
        throw Run_time_error(err_Overflow, std::string("Overflow: the ") + what + " is out of range", k_Golf_source);
    return int32_t(r);
}

// Milliseconds as seconds with two decimals, rounded half to even on the exact value. Built
// from digits, so the decimal point is "." whatever locale the program runs in.
std::string Seconds_text(int32_t ms)
{
    const int64_t whole = ms < 0 ? -int64_t(ms) : int64_t(ms);
    int64_t hundredths = whole / 10;
    const int64_t rest = whole % 10;
    if (rest > 5 || (rest == 5 && hundredths % 2 == 1)) ++hundredths;
    const int64_t cents = hundredths % 100;
    std::string text = std::to_string(hundredths / 100) + (cents < 10 ? ".0" : ".") + std::to_string(cents);
    return ms < 0 && hundredths != 0 ? "-" + text : text;
}

} // namespace

// ---- Golf section ----

void cls_AVI_handler::Golfing(bool on) { Header().Golfing(on); }
bool cls_AVI_handler::Has_weight_data() { return Header().Has_weight_data(); }
std::string cls_AVI_handler::Player_Comment() { return Header().Player_Comment(); }
bool cls_AVI_handler::Update_Player_Comment(int16_t, const std::string& text)
{
    Header().Player_Comment(text);
    return Write_XML_header();
}
int32_t cls_AVI_handler::Impact_field() { return Header().Impact_field(); }
int32_t cls_AVI_handler::Top_field() { return Header().Top_field(); }

// Only the own format keeps the swing's fields; the other kinds still get their header
// rewritten, as a sign that the recording was looked at.
bool cls_AVI_handler::Set_Impact_Frame()
{
    if (reader_->Own_head()) Header().Impact_field(current_field_);
    return Write_XML_header();
}

bool cls_AVI_handler::Set_Top_Frame()
{
    if (reader_->Own_head()) Header().Top_field(current_field_);
    return Write_XML_header();
}

// ---- Grade record ----


// ---- Model video ----

float cls_AVI_handler::model_size_factor() { return float(Header().model_size_factor(1)); }
int16_t cls_AVI_handler::model_X_offset() { return Header().model_X_offset(1); }
int16_t cls_AVI_handler::model_Y_offset() { return Header().model_Y_offset(1); }
std::string cls_AVI_handler::Model_FileName() { return Header().Model_FileName(1); }

int16_t cls_AVI_handler::impact_pos() const
{
    if (!reader_->Chunks() || !rec_.file.Is_open()) return 0;
    std::array<char, 1000> head{};
    const int64_t n = rec_.file.Read_at(0, head.data(), head.size());
    if (n <= 0) return 0;
    const size_t at = std::string_view(head.data(), size_t(n)).find("IMP");
    return at == std::string_view::npos ? int16_t(0) : int16_t(at + 1);
}

int32_t cls_AVI_handler::Impact_Time() const
{
    return int32_t(std::nearbyint(double(impact_pos()) * rec_.ms_per_frame));
}

int32_t cls_AVI_handler::Synch_model(int32_t frame) const
{
    // The upper bound first: a recording without frames still gets frame 1, never 0.
    int64_t m = int64_t(video_offset_) + frame;
    if (m > rec_.num_frames) m = rec_.num_frames;
    if (m < 1) m = 1;
    return int32_t(m);
}

bool cls_AVI_handler::Synch_time(double t, int32_t& frame)
{
    try {
        const bool whole_frames = rec_.is_deinterlaced;
        // NTSC frames last 1001/30 ms: never rounded, or late frames drift.
        const double ms = whole_frames ? rec_.ms_per_frame : rec_.ms_per_field;
        if (!rec_.file.Is_open() || !(ms > 0))
            throw Run_time_error(err_Invalid_argument, "No recording with a frame time is open", k_Golf_source);
        int32_t n = Rounded_long(t / ms + 1, "synchronised frame");
        if (!whole_frames && rec_.frame_selection_start > 0)
            n = Rounded_long(double(n) + rec_.frame_selection_start - 1, "synchronised field");
        frame = n;
        if (whole_frames) eff_frameno_ = n;
        return true;
    } catch (...) {
        Report_current_exception("Synch_time" + std::string(k_Class));
        return false;
    }
}

int32_t cls_AVI_handler::Synch_percentage(double p)
{
    if (!rec_.is_deinterlaced) return Rounded_long(double(rec_.num_fields) * p / 100.0, "field");
    eff_frameno_ = Rounded_long(double(rec_.num_frames) * p / 100.0, "frame");
    return eff_frameno_;
}

// ---- Player times ----

void cls_AVI_handler::Set_Base_time(bool on)
{
    const Avi_chunks* avi = reader_->Chunks();
    base_time_ = on && avi ? avi->Player_time() : 0.0f;
}

int32_t cls_AVI_handler::Effective_time() const { return Rounded_long(effective_time_, "effective time"); }

std::string cls_AVI_handler::Formatted_Time() const { return Seconds_text(Effective_time()); }

} // namespace wk
