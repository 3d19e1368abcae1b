// The camera's life, its source and the server's run and stop.
#include "capture/cls_Capture.h"

#include "capture/cls_Capture_sink.h"
#include "comlite/Co_create.h"
#include "platform/Av_frame_decoder.h"
#include "platform/Forms.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/graphics/cDIBSection.h"

#include <algorithm>
#include <cctype>

namespace wk {

namespace {

constexpr int32_t err_Cannot_create_object = 429;
constexpr int32_t k_Linear_frames = 250;

std::unique_ptr<cDIBSection> Make_picture(int32_t width, int32_t height)
{
    auto picture = std::make_unique<cDIBSection>();
    if (!picture->Create(width, height)) throw Run_time_error(err_Out_of_memory, "Out of memory", "cDIBSection");
    return picture;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The position written first in the camera's line; 0 when it starts with no number.
int16_t Leading_position(const std::string& value)
{
    const std::string text = Trimmed(value);
    int32_t n = 0;
    for (size_t i = 0; i < text.size() && i < 2 && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        n = n * 10 + (text[i] - '0');
    return int16_t(n);
}

// Whether the camera's line says it is mounted turned: "True" from character 22 on.
bool Mounted_turned(const std::string& value)
{
    if (value.size() < 22) return false;
    return Lower_ascii(Trimmed(value.substr(21))).rfind("true", 0) == 0;
}

} // namespace

cls_Capture::cls_Capture(com::Com_ptr<IVideoCap> server)
{
    picture_ = Make_picture(720, 576);
    field_picture_ = Make_picture(720, 576);
    turned_picture_ = Make_picture(576, 720);
    server_ = server ? std::move(server) : Create_server();
    sink_ = com::Com_ptr<cls_Capture_sink>::Attach(new cls_Capture_sink(this));
    // Nothing after this may fail: the server now calls this object.
    Advise();
    ++Cls_Capture_Counter;
}

com::Com_ptr<IVideoCap> cls_Capture::Create_server()
{
    com::Com_ptr<IVideoCap> server;
    if (const com::HRESULT hr = com::Co_create_instance(CLSID_VideoCap4, server); com::Failed(hr))
        throw Run_time_error(err_Cannot_create_object,
                             "ActiveX component can't create object (" + com::Hresult_text(hr) + ")", "VideoCap4");
    return server;
}

cls_Capture::~cls_Capture()
{
    try {
        Shutdown();
    } catch (...) {
    }
    --Cls_Capture_Counter;
    Trace_Line("*cls_Capture Class_Terminate End Cls_Capture_Counter = ", Cls_Capture_Counter);
}

void cls_Capture::Shutdown()
{
    if (!server_) return;
    Stop_Capture();
    Clear_Buffers();
    UnAdvise();
    if (sink_) sink_->Detach();
    sink_.Reset();
    server_.Reset();
}

std::string cls_Capture::Server_error() const
{
    if (!server_) return {};
    com::Bstr text;
    return com::Succeeded(server_->GetLastError(text.Put())) ? text.Str() : std::string();
}

std::string cls_Capture::Server_property(const std::string& name) const
{
    return server_ ? wk::Server_property(*server_, name) : std::string();
}

namespace {

int64_t Count_of(const std::string& text)
{
    try {
        return text.empty() ? 0 : std::stoll(text);
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

// Recording frames only, where the server counts them apart from its preview; an older server
// counts every sample.
int64_t cls_Capture::Dropped_samples() const
{
    const std::string frames = Server_property("DroppedFrames");
    return Count_of(frames.empty() ? Server_property("DroppedSamples") : frames);
}

int64_t cls_Capture::Pictures_left_out() const { return Count_of(Server_property("PicturesLeftOut")); }

void cls_Capture::Advise()
{
    if (cookie_ != 0 || !server_ || !sink_) return;
    if (const com::HRESULT hr = server_->Advise(sink_.Get(), &cookie_); com::Failed(hr)) cookie_ = 0;
    last_error_ = Server_error();
}

void cls_Capture::UnAdvise()
{
    if (cookie_ == 0 || !server_) return;
    Trace_Line("*cls_Capture,oCapture Unadvise");
    server_->Unadvise(cookie_);
    cookie_ = 0;
}

bool cls_Capture::Set_Video_Source(int16_t source, bool linear)
{
    Trace_Line(" *cls_capture Set_Video_Source,  ", index_, " source = ", source);
    if (g_Exiting) platform::Do_events();
    if (source >= 1 && !running_) {
        if (linear) MaxFrames(k_Linear_frames);
        source_ = source;
        position_known_ = false;
        camera_position_ = 0;
        source_id_.clear();
        ring_index_ = 0;
        Clear_Buffers();
    }
    int32_t found = 0;
    if (server_) server_->SetSource(com::Bstr("video:" + std::to_string(source)).Get(), &found);
    found_source_ = found != 0;
    last_error_ = Server_error();
    Trace_Line("*m_LastError = ", last_error_, " m_Found_source = ", found_source_);
    Trace_Line(" *cls_capture Set_source, after run ", source);
    return found_source_;
}

std::vector<Video_device> cls_Capture::Video_devices()
{
    if (running_ || !server_) return {};
    return List_video_devices(*server_);
}

void cls_Capture::Capture_Run()
{
    if (!found_source_ || !server_) return;
    Clear_Collections();
    highest_object_ = 0;
    one_shot_done_ = false;
    dv_events_ = 0;
    frames_taken_ = 0;
    unrecordable_pictures_ = 0;
    running_ = true;
    Advise();
    const com::HRESULT ran = server_->Run();
    last_error_ = Server_error();
    // A camera the server refuses (its pictures cannot be recorded) is not running; its last
    // error says why.
    if (com::Failed(ran)) {
        running_ = false;
        Trace_Line("*cls_Capture, the camera did not start: ", last_error_);
        return;
    }
    // A camera without DV is encoded by the server; the crew's trace says how.
    if (const std::string mode = Server_property("CameraMode"); !mode.empty())
        Trace_Line("*cls_Capture, camera mode: ", mode);
    Trace_Line("*cls_Capture, starting object finished = ", index_, " source = ", source_);
}

void cls_Capture::Capture_resume()
{
    Capture_Run();
}

void cls_Capture::Pause_capture()
{
    if (running_ && server_) server_->Pause();
}

void cls_Capture::Stop_Capture()
{
    if (!running_) return;
    Trace_Line(" *cls_capture Stop, object =  ", index_, " source = ", source_);
    if (server_) server_->Stop();
    running_ = false;
    video_buff_len_ = Buff_num();
}

void cls_Capture::Get_Camera_Position()
{
    if (position_known_) return;
    source_id_ = Server_property("sourceId");
    // A device that gives no id still needs a key of its own that is the same every time.
    if (source_id_.empty()) {
        const std::string path = DevicePath();
        source_id_ = !path.empty() ? path : "video:" + std::to_string(source_);
    }
    const std::string value = Read_setting(ini::Camera_setting, source_id_);
    if (value != "N/A") {
        camera_position_ = Leading_position(value);
        rotated_ = Mounted_turned(value);
    }
    position_known_ = true;
}

std::string cls_Capture::sourceId()
{
    if (!found_source_) return {};
    Get_Camera_Position();
    return source_id_;
}

void cls_Capture::Heat_Start_Milltime(int32_t tick)
{
    if (id_string_ == "Goal") Clear_Buffers();
    heat_start_ = tick;
    heat_started_ = true;
}

void cls_Capture::Event_Target(int16_t target)
{
    if (target < Target_none || target > Target_event_2)
        throw Run_time_error(err_Invalid_argument, "DV-event, unknown event target!", "cls_Capture");
    event_target_ = target;
}

std::shared_ptr<cls_Capture> Restart_Camera()
{
    try {
        if (auto old = std::dynamic_pointer_cast<cls_Capture>(g_Capture)) old->Shutdown();
        else if (g_Capture) g_Capture->Stop_Capture();
    } catch (...) {
    }
    g_Capture.reset();
    try {
        auto camera = std::make_shared<cls_Capture>();
        g_Capture = camera;
        return camera;
    } catch (...) {
        Report_current_exception("Restart_Camera of Class Module cls_Capture");
        return nullptr;
    }
}

} // namespace wk
