// The recording object: locating and reading frames, the extra-data record the capture station
// puts into each frame, and reading a file ahead.
#include "recording/cls_AVI_handler.h"

#include "platform/Clock.h"
#include "platform/Memory_bytes.h"
#include "platform/Text_codec.h"
#include "recording/Raw_dv_reader.h"
#include "recording/Recording_bytes.h"
#include "recording/Recording_reader.h"
#include "recording/Timecode_module.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace wk {

using namespace recording_bytes;

namespace {

// Puts a copy of the whole file in memory in front of it; false when there is no room or it
// cannot be read.
bool Read_whole_file(platform::Byte_file& file)
{
    const int64_t size = file.Size();
    if (size <= 0) return false;
    std::vector<uint8_t> image;
    try {
        image.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    if (!file.Read_exact(0, image.data(), image.size())) return false;
    file.Attach(std::make_unique<platform::Memory_bytes>(std::move(image), file.Detach()));
    return true;
}

} // namespace

// ---- Frame location and reading ----

bool cls_AVI_handler::Read_Frame(int32_t frame, int16_t stream)
{
    Forget_frame();
    rec_.frame_in_store = 0;
    if (!rec_.file.Is_open()) return false;
    const int32_t f = std::min(frame, rec_.num_frames);
    if (f < 1) return false;
    if (!reader_->Read_frame(f, stream)) return false;
    Take_frame_time();
    Get_Current_Trace_data(rec_.frame_in_store);
    return true;
}

void cls_AVI_handler::Forget_frame()
{
    extra_.fill(0);
    extra_valid_ = false;
    raw_frame_time_ = 0;
    frame_time_stamp_ = 0;
    has_time_stamp_ = false;
    rec_.chunk_length = 0;
    m_trace_data_ = Trace_Record{};
}

// The frame's own time: from its extra-data record, rounded to a whole frame of 40 ms, less 10.
void cls_AVI_handler::Take_frame_time()
{
    Do_Read_DV_extra_data();
    if (!extra_valid_) return;
    raw_frame_time_ = Extra_record().frame_tick;
    frame_time_stamp_ = platform::Tick_add(Round_To_Multiple(raw_frame_time_, 40), -10);
    has_time_stamp_ = true;
}

std::span<const uint8_t> cls_AVI_handler::Frame_bytes() const
{
    if (rec_.frame_in_store <= 0) return {};
    return reader_->Frame();
}

uint8_t* cls_AVI_handler::Frame_address() { return reader_->Frame().data(); }

// ---- DV extra data ----

void cls_AVI_handler::Do_Read_DV_extra_data()
{
    if (!reader_->Keeps_extra_data()) return;
    const std::span<const uint8_t> buf(rec_.frame_buffer);
    auto whole_record_at = [&](size_t i) {
        return i + k_Extra_size <= buf.size() && Capture_record::Bounded(buf.subspan(i));
    };
    size_t at = size_t(extra_index_);
    if (extra_index_ <= 0 || !whole_record_at(at)) {
        // The record lies where the capture station put it; look for it once more in this frame.
        at = 0;
        for (size_t i = 0; i <= 15000 && i + k_Extra_size <= buf.size(); ++i)
            if (whole_record_at(i)) {
                at = i;
                break;
            }
        if (at == 0 && !whole_record_at(0)) {
            extra_.fill(0);
            extra_valid_ = false;
            return;
        }
        extra_index_ = int32_t(at);
    }
    std::memcpy(extra_.data(), buf.data() + at, k_Extra_size);
    extra_valid_ = true;
}

bool cls_AVI_handler::Rewrite_DV_Extra_data()
{
    try {
        if (!extra_valid_ || rec_.frame_in_store <= 0 || rec_.frame_position <= 0)
            throw Run_time_error(err_Invalid_argument, "The current frame has no extra data to write back");
        // Into the file and, for a recording held in memory, into its copy there.
        rec_.Write_back(rec_.frame_position - 1 + extra_index_, extra_.data(), 190);
        std::memcpy(rec_.frame_buffer.data() + extra_index_, extra_.data(), 190);
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_DV_Extra_data" + std::string(k_Class));
        return false;
    }
}

Capture_record cls_AVI_handler::Extra_record() const
{
    return extra_valid_ ? Capture_record::From_bytes(extra_) : Capture_record::From_bytes(Capture_record::Bytes{});
}

std::span<const uint8_t> cls_AVI_handler::Extra_data() const
{
    return extra_valid_ ? std::span<const uint8_t>(extra_) : std::span<const uint8_t>();
}

int16_t cls_AVI_handler::Lap_Count() const { return Extra_record().lap_count; }
bool cls_AVI_handler::Linear_buffer() const { return Extra_record().capturing == -1; }
int32_t cls_AVI_handler::Frame_time() const { return Extra_record().local_time_ms; }
int32_t cls_AVI_handler::Capture_mill_time() const { return Extra_record().frame_tick; }
int32_t cls_AVI_handler::Timestamp_long() const { return Extra_record().arrival_tick; }

void cls_AVI_handler::Parse_DV_header() { DV_Header_Parse(Frame_bytes()); }

const uint8_t* cls_AVI_handler::Extra_Data_Addr() const
{
    const std::vector<uint8_t>& buffer = rec_.frame_buffer;
    return buffer.size() >= size_t(g_DV_Extra_Offset) + k_Extra_size ? buffer.data() + g_DV_Extra_Offset : nullptr;
}

bool cls_AVI_handler::Write_comment(const std::string& text)
{
    if (!extra_valid_ || rec_.frame_in_store <= 0)
        throw Run_time_error(err_Invalid_argument,
                             "No frame with extra data has been read from " + rec_.name + "; the comment is not written");
    const auto saved = extra_;
    Capture_record::Let_comment(extra_, platform::Utf8_to_ansi(text));
    if (Rewrite_DV_Extra_data()) return true;
    extra_ = saved;
    return false;
}

std::string cls_AVI_handler::Read_Comment() const
{
    if (!extra_valid_) return "";
    const std::string comment = Capture_record::Comment_of(extra_);
    return comment.empty() ? "" : platform::Ansi_to_utf8(comment);
}

// ---- Reading ahead ----

int64_t cls_AVI_handler::find_DV_offset(const std::string& path)
{
    platform::Byte_file f;
    int error = 0;
    if (!f.Open(path, platform::Raw_file::Mode::Read, error)) return -1;
    return Raw_dv_reader::First_data_byte(f);
}

void cls_AVI_handler::Preread_File()
{
    if (!rec_.file.Is_open()) return;
    const int32_t t0 = Get_Tick();
    const int64_t size = rec_.file.Size();
    std::vector<uint8_t> block(1 << 20);
    for (int64_t done = 0; done < size;) {
        const int64_t got = rec_.file.Read_at(done, block.data(), block.size());
        if (got <= 0) break;
        done += got;
        if (Progress) Progress(int16_t(std::nearbyint(double(done) * 100.0 / double(size))));
    }
    Trace_Line("*File " + rec_.name + "Pre_read in : " + std::to_string(platform::Tick_difference(Get_Tick(), t0)) +
               " milliseconds");
}

namespace {

// The wait cursor while the whole file is read; put back however the reading ends.
class Wait_cursor {
public:
    Wait_cursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (shown_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~Wait_cursor() { Restore(); }
    Wait_cursor(const Wait_cursor&) = delete;
    Wait_cursor& operator=(const Wait_cursor&) = delete;
    void Restore()
    {
        if (shown_) QGuiApplication::restoreOverrideCursor();
        shown_ = false;
    }

private:
    bool shown_;
};

} // namespace

// The readers then read from the copy; every write still goes to the file first.
bool cls_AVI_handler::Read_File_to_Memory()
{
    if (!rec_.file.Is_open()) return false;
    Wait_cursor cursor;
    if (Reading_started) Reading_started();
    const bool read = Read_whole_file(rec_.file);
    cursor.Restore();
    if (Reading_ended) Reading_ended();
    return read;
}

bool cls_AVI_handler::In_memory() const
{
    return dynamic_cast<const platform::Memory_bytes*>(rec_.file.Source()) != nullptr;
}

int64_t cls_AVI_handler::File_size() const
{
    if (rec_.file.Is_open()) return rec_.file.Size();
    return Get_File_Size(rec_.name);
}

} // namespace wk
