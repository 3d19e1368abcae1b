// The camera's lesser members: its buffers seen from outside, one frame on demand, changing or
// dropping the server, and the display rectangle as text.
#include "capture/cls_Capture.h"

#include "capture/cls_Capture_sink.h"
#include "platform/Clock.h"
#include "platform/Forms.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace wk {

namespace {

constexpr int32_t k_One_shot_wait_ms = 1001;

// VB's Format(n, "000"): at least three digits, the sign before them.
std::string Three_digits(int32_t n)
{
    std::string digits = std::to_string(std::abs(int64_t(n)));
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return n < 0 ? "-" + digits : digits;
}

// One whole number with nothing but blanks around it.
bool Parse_number(std::string_view text, int32_t& n)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::span<const uint8_t> cls_Capture::Get_last_Buffaddr() const
{
    if (!frame_received_) return {};
    return frame_;
}

std::span<const uint8_t> cls_Capture::Video_Array_Adress() const
{
    if (!Validate_Array()) return {};
    return ring_;
}

int64_t cls_Capture::Video_Array_Len() const { return int64_t(max_frames_) * k_Frame_bytes; }

bool cls_Capture::Validate_Array() const
{
    return max_frames_ > 0 && int64_t(ring_.size()) == Video_Array_Len();
}

bool cls_Capture::Copy_Into_Buffer(std::span<const uint8_t> frame)
{
    if (frame.size() < size_t(k_Frame_bytes)) {
        ++refused_samples_;
        return false;
    }
    std::copy_n(frame.begin(), k_Frame_bytes, frame_.begin());
    frame_received_ = true;
    return true;
}

bool cls_Capture::DV_One_Shot(int16_t source)
{
    Trace_Line(" *DV_One_Shot start, source = ", source);
    bool received = false;
    // A running camera would lose its capture to the one frame.
    if (!running_ && Set_Video_Source(source, false)) {
        one_shot_wanted_ = true;
        Capture_Run();
        auto& clock = platform::Get_clock();
        const int32_t entry = clock.Tick();
        while (!one_shot_done_ && !g_Exiting && platform::Tick_difference(clock.Tick(), entry) < k_One_shot_wait_ms) {
            platform::Do_events();
            clock.Sleep_ms(3);
        }
        received = one_shot_done_;
        // A wish left standing would stop the next capture at its first frame.
        one_shot_wanted_ = false;
        if (!received) Stop_Capture();
    }
    Trace_Line(" *DV_One_Shot end, source = ", source);
    return received;
}

void cls_Capture::Reset_Vidcap(com::Com_ptr<IVideoCap> server)
{
    if (!server) server = Create_server();
    xDelete_ocapture();
    server_ = std::move(server);
    // A camera that was ended gets a sink again; the old one stays detached.
    if (!sink_) sink_ = com::Com_ptr<cls_Capture_sink>::Attach(new cls_Capture_sink(this));
}

void cls_Capture::xDelete_ocapture()
{
    // Dropped while advised, the server would go on calling this camera.
    Stop_Capture();
    UnAdvise();
    server_.Reset();
    found_source_ = false;
}

void cls_Capture::Ext_terminate()
{
    Shutdown();
    Clear_Buffers();
    if (sink_) sink_->Detach();
    sink_.Reset();
    MaxFrames(0);
}

std::string cls_Capture::Set_Display_Rect() const
{
    return Three_digits(rect_.x1) + "," + Three_digits(rect_.y1) + "," + Three_digits(rect_.x2) + "," +
           Three_digits(rect_.y2);
}

bool cls_Capture::Set_Display_Rect(std::string_view text)
{
    int32_t n[4] = {};
    for (int i = 0; i < 4; ++i) {
        const auto comma = i < 3 ? text.find(',') : std::string_view::npos;
        if (i < 3 && comma == std::string_view::npos) return false;
        if (!Parse_number(text.substr(0, comma), n[i])) return false;
        if (i < 3) text.remove_prefix(comma + 1);
    }
    if (n[2] < n[0] || n[3] < n[1]) return false;
    rect_ = {n[0], n[1], n[2], n[3]};
    return true;
}

void cls_Capture::Release_source()
{
    Stop_Capture();
    // An empty source makes the server forget its device; it answers "not found".
    int32_t found = 0;
    if (server_) server_->SetSource(com::Bstr("").Get(), &found);
    found_source_ = false;
    position_known_ = false;
    source_id_.clear();
    last_error_ = Server_error();
}

void cls_Capture::Display_Fill_Mess(QImage& picture) const
{
    if (picture.isNull()) return;
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setFont(QFont("Times", 12));
    painter.setPen(Qt::black);
    const std::string text =
        "Filling " + std::to_string(highest_object_) + "/" + std::to_string(max_frames_) + " buffer";
    painter.drawText(picture.rect(), Qt::AlignCenter, QString::fromStdString(text));
}

void cls_Capture::Test_Add_buffers(int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        CVideobuff& stored = linear_.emplace_back();
        stored.FillBuffer();
        stored.ID(int16_t(linear_.size()));
    }
}

} // namespace wk
