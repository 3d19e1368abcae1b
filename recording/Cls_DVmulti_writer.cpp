#include "recording/Cls_DVmulti_writer.h"

#include "platform/State_reset.h"
#include "recording/Capture_record.h"
#include "recording/Recording_bytes.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace wk {

using namespace recording_bytes;

namespace {

constexpr const char* k_Class = " of Class Module Cls_DVmulti_writer";
// Where the capture station's record lies in a stored frame's record: the two flags read here.
constexpr size_t k_Extra_size = capture_record::Size;

int16_t g_last_file_number = 0;
const platform::State_reset k_Forget_file_number{[] { g_last_file_number = 0; }};

int16_t Next_file_number()
{
    g_last_file_number = int16_t(g_last_file_number % 511 + 1);
    return g_last_file_number;
}

} // namespace

Cls_DVmulti_writer::Cls_DVmulti_writer() { Trace_Line("*Cls_DVmulti_writer Initialize"); }

Cls_DVmulti_writer::~Cls_DVmulti_writer() { Close_File(); }

// ---- Heats and file ----

void Cls_DVmulti_writer::Set_Heat_start() { heat_start_tick_ = Get_Tick(); }

DV_Header_Record::Heat_entry& Cls_DVmulti_writer::Heat(int16_t heat)
{
    if (heat < 0 || heat >= int16_t(record_.Heats.size()))
        throw Run_time_error(err_Subscript, "There is no heat " + std::to_string(heat) + " in the DV header");
    return record_.Heats[size_t(heat)];
}

const DV_Header_Record::Heat_entry& Cls_DVmulti_writer::Heat(int16_t heat) const
{
    return const_cast<Cls_DVmulti_writer*>(this)->Heat(heat);
}

void Cls_DVmulti_writer::Heat_ID(int16_t heat, const std::string& id) { String_To_Bytes(id, Heat(heat).Heat_ID); }
void Cls_DVmulti_writer::Heat_Start(int16_t heat, int32_t ms) { Heat(heat).Heat_start = ms; }
int32_t Cls_DVmulti_writer::Heat_Start_Correction(int16_t heat) const { return Heat(heat).Start_correction; }

int64_t Cls_DVmulti_writer::File_size() const { return Get_File_Size(file_name_); }

void Cls_DVmulti_writer::Close_File()
{
    file_.Close();
    file_number_ = 0;
}

// ---- Writing ----

bool Cls_DVmulti_writer::Write_DV_streams2(const Cameras& cameras, bool appending)
{
    try {
        Check_cameras(cameras);
        if (!appending && !Delete_File(file_name_))
            throw Run_time_error(err_File_exists, "The file " + file_name_ + " could not be replaced");
        if (cameras.empty()) return true;
        const auto streams = int32_t(cameras.size());
        const int32_t frames = Frames_held(cameras);
        Open(appending);
        int64_t position = appending ? Start_appending(streams) : Start_new_file(streams);
        Frame_marks marks;
        int16_t last_percent = -1;
        for (int32_t b = 1; b <= frames; ++b) {
            for (const auto& camera : cameras) {
                Write_frame(*camera, b, position, marks);
                position += k_Frame_size;
            }
            Tell_progress(b, frames, last_percent);
        }
        record_.Frame_count += frames;
        if (!appending) Store_frame_marks(marks);
        Write_record(record_);
        Close_File();
        return true;
    } catch (...) {
        Close_File();
        Report_current_exception("Write_DV_streams2" + std::string(k_Class));
        return false;
    }
}

void Cls_DVmulti_writer::Check_cameras(const Cameras& cameras) const
{
    if (cameras.size() > size_t(k_Max_streams))
        throw Run_time_error(err_Invalid_argument, "A DV recording holds at most " + std::to_string(k_Max_streams) +
                                                       " streams, not " + std::to_string(cameras.size()));
    for (const auto& camera : cameras)
        if (!camera) throw Run_time_error(err_Object_variable, "A camera of the collection is missing");
}

// Every stream gets the same number of frames: what the camera with the fewest holds.
int32_t Cls_DVmulti_writer::Frames_held(const Cameras& cameras)
{
    int32_t frames = std::numeric_limits<int32_t>::max();
    for (const auto& camera : cameras) frames = std::min(frames, camera->Buff_num());
    return std::max(frames, 0);
}

void Cls_DVmulti_writer::Open(bool appending)
{
    Close_File();
    int error = 0;
    const bool exists = FileExists(file_name_);
    const auto mode = appending && exists ? platform::Raw_file::Mode::Read_write : platform::Raw_file::Mode::Create_new;
    if (!file_.Open(file_name_, mode, error))
        throw Run_time_error(err_Path_not_found, "The file " + file_name_ + " could not be opened: " + std::strerror(error));
    file_number_ = Next_file_number();
    length_at_open_ = file_.Size();
}

int64_t Cls_DVmulti_writer::Start_new_file(int32_t streams)
{
    record_.Stream_count = streams;
    record_.Frame_count = 0;
    record_.First_hit = 0;
    record_.First_boat = 0;
    Write_record(record_);
    return DV_Header_Record::k_Size;
}

// The file's own record stays (its heats and race fields); the new frames go after the last set
// of frames that the record counts and the disk holds whole, so a torn earlier write is covered.
int64_t Cls_DVmulti_writer::Start_appending(int32_t streams)
{
    if (length_at_open_ == 0) return Start_new_file(streams);
    std::vector<uint8_t> bytes(static_cast<size_t>(DV_Header_Record::k_Size));
    DV_Header_Record on_disk;
    if (!file_.Read_exact(0, bytes.data(), bytes.size()) || !on_disk.From_bytes(bytes))
        throw Run_time_error(err_Bad_file_mode, "The file " + file_name_ + " is not a multi-stream DV recording");
    if (on_disk.Stream_count != streams)
        throw Run_time_error(err_Invalid_argument, "The recording " + file_name_ + " holds " +
                                                       std::to_string(on_disk.Stream_count) + " streams, not " +
                                                       std::to_string(streams));
    const int64_t set_size = int64_t(streams) * k_Frame_size;
    const int64_t whole_sets = (length_at_open_ - DV_Header_Record::k_Size) / set_size;
    record_ = on_disk;
    record_.Frame_count = int32_t(std::clamp<int64_t>(whole_sets, 0, std::max(on_disk.Frame_count, 0)));
    return DV_Header_Record::k_Size + record_.Frame_count * set_size;
}

void Cls_DVmulti_writer::Write_frame(Active_capture& camera, int32_t index, int64_t position, Frame_marks& marks)
{
    const uint8_t* address = camera.get_Buffaddr(index);
    if (!address)
        throw Run_time_error(err_Subscript, "The camera holds no frame " + std::to_string(index));
    const std::span<const uint8_t> frame(address, size_t(k_Frame_size));
    Check_DV_Header(frame);
    Note_frame_marks(frame, index, marks);
    if (!file_.Write_at(position, frame.data(), frame.size()))
        throw Run_time_error(err_Disk_full, "The frame could not be written (disk full?)");
}

// A frame without the capture station's record is said once per file and still written; its
// bytes where the record would be are no flags.
void Cls_DVmulti_writer::Note_frame_marks(std::span<const uint8_t> frame, int32_t index, Frame_marks& marks)
{
    if (g_DV_Extra_Offset < 0 || size_t(g_DV_Extra_Offset) + k_Extra_size > frame.size())
        throw Run_time_error(err_Subscript, "The DV extra data lie outside the frame");
    const auto extra = frame.subspan(size_t(g_DV_Extra_Offset), k_Extra_size);
    if (!Capture_record::Starts_record(extra)) {
        if (!marks.record_missing_told) Problems.Post({Recording_problem::Kind::record_missing, {}, file_name_});
        marks.record_missing_told = true;
        return;
    }
    const Capture_record record = Capture_record::From_bytes(extra);
    if (record.hit >= 1 && marks.first_hit == 0) marks.first_hit = index;
    if (record.first_boat != 0) marks.first_boat = 2 * index;
}

void Cls_DVmulti_writer::Tell_progress(int32_t index, int32_t frames, int16_t& last_percent)
{
    const auto percent = int16_t(std::nearbyint(double(index) * 100.0 / frames));
    if (percent % 10 != 0 || percent == last_percent) return;
    last_percent = percent;
    if (Progress) Progress(percent);
}

// Both marks are field indexes: two fields to a frame.
void Cls_DVmulti_writer::Store_frame_marks(const Frame_marks& marks)
{
    if (marks.first_hit == 0 && marks.first_boat == 0) return;
    record_.First_hit = 2 * marks.first_hit;
    if (marks.first_boat > std::numeric_limits<int16_t>::max())
        QSM_error_handler("The first-boat field " + std::to_string(marks.first_boat) +
                              " does not fit the DV header; it is left unmarked",
                          err_Overflow, 0, "Write_DV_streams2" + std::string(k_Class));
    else
        record_.First_boat = int16_t(marks.first_boat);
    Trace_Line("*Write_DV_streams2, rewritten DV_header ++++++++++++++++++++++++++");
}

void Cls_DVmulti_writer::Write_record(const DV_Header_Record& record)
{
    const std::vector<uint8_t> bytes = record.To_bytes();
    if (!file_.Write_at(0, bytes.data(), bytes.size()))
        throw Run_time_error(err_Disk_full, "The DV header could not be written (disk full?)");
}

} // namespace wk
