// The golf section: the swing's fields and grade record in the header, and the model player.
#include "recording/Golf_section.h"

#include "recording/Recording_file.h"
#include "recording/Recording_port.h"
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
constexpr const char* k_Class = " of Class Module cls_AVI_handler";

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

Cls_XML_header& Golf_section::Header() { return port_.File().Header(); }

void Golf_section::Golfing(bool on) { Header().Golfing(on); }
bool Golf_section::Has_weight_data() { return Header().Has_weight_data(); }
std::string Golf_section::Player_Comment() { return Header().Player_Comment(); }
bool Golf_section::Update_Player_Comment(int16_t, const std::string& text)
{
    Header().Player_Comment(text);
    return port_.Store_header();
}
int32_t Golf_section::Impact_field() { return Header().Impact_field(); }
int32_t Golf_section::Top_field() { return Header().Top_field(); }

// Only the own format keeps the swing's fields; the other kinds still get their header
// rewritten, as a sign that the recording was looked at.
bool Golf_section::Set_Impact_Frame()
{
    if (port_.Keeps_swing_fields()) Header().Impact_field(port_.Field_drawn());
    return port_.Store_header();
}

bool Golf_section::Set_Top_Frame()
{
    if (port_.Keeps_swing_fields()) Header().Top_field(port_.Field_drawn());
    return port_.Store_header();
}

// ---- Model video ----

float Golf_section::model_size_factor() { return float(Header().model_size_factor(1)); }
int16_t Golf_section::model_X_offset() { return Header().model_X_offset(1); }
int16_t Golf_section::model_Y_offset() { return Header().model_Y_offset(1); }
std::string Golf_section::Model_FileName() { return Header().Model_FileName(1); }

int16_t Golf_section::impact_pos() const
{
    const platform::Byte_file* file = port_.Model_file();
    if (!file) return 0;
    std::array<char, 1000> head{};
    const int64_t n = file->Read_at(0, head.data(), head.size());
    if (n <= 0) return 0;
    const size_t at = std::string_view(head.data(), size_t(n)).find("IMP");
    return at == std::string_view::npos ? int16_t(0) : int16_t(at + 1);
}

int32_t Golf_section::Impact_Time() const
{
    return int32_t(std::nearbyint(double(impact_pos()) * port_.File().ms_per_frame));
}

int32_t Golf_section::Synch_model(int32_t frame) const
{
    // The upper bound first: a recording without frames still gets frame 1, never 0.
    int64_t m = int64_t(video_offset_) + frame;
    if (m > port_.File().num_frames) m = port_.File().num_frames;
    if (m < 1) m = 1;
    return int32_t(m);
}

bool Golf_section::Synch_time(double t, int32_t& frame)
{
    try {
        const bool whole_frames = port_.File().is_deinterlaced;
        // NTSC frames last 1001/30 ms: never rounded, or late frames drift.
        const double ms = whole_frames ? port_.File().ms_per_frame : port_.File().ms_per_field;
        if (!port_.File().file.Is_open() || !(ms > 0))
            throw Run_time_error(err_Invalid_argument, "No recording with a frame time is open", k_Golf_source);
        int32_t n = Rounded_long(t / ms + 1, "synchronised frame");
        if (!whole_frames && port_.File().frame_selection_start > 0)
            n = Rounded_long(double(n) + port_.File().frame_selection_start - 1, "synchronised field");
        frame = n;
        if (whole_frames) port_.Frame_found(n);
        return true;
    } catch (...) {
        Report_current_exception("Synch_time" + std::string(k_Class));
        return false;
    }
}

int32_t Golf_section::Synch_percentage(double p)
{
    if (!port_.File().is_deinterlaced) return Rounded_long(double(port_.File().num_fields) * p / 100.0, "field");
    const int32_t frame = Rounded_long(double(port_.File().num_frames) * p / 100.0, "frame");
    port_.Frame_found(frame);
    return frame;
}

// ---- Player times ----

void Golf_section::Set_Base_time(bool on)
{
    base_time_ = on ? port_.Avi_player_time() : 0.0f;
}

float Golf_section::Player_Effective_Time() const { return port_.Time_drawn() - base_time_; }

float Golf_section::Player_Time() const { return port_.Avi_player_time() - base_time_; }

int32_t Golf_section::Effective_time() const { return Rounded_long(port_.Time_drawn(), "effective time"); }

std::string Golf_section::Formatted_Time() const { return Seconds_text(Effective_time()); }

} // namespace wk
