#include "recording/Frame_appender.h"

#include "platform/Clock.h"
#include "recording/Own_format_reader.h"
#include "recording/Recording_bytes.h"
#include "recording/Recording_format.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <cerrno>
#include <cstring>

namespace wk {

using namespace recording_format;

namespace {

constexpr auto k_Sync_interval = std::chrono::milliseconds(Frame_appender::k_Sync_interval_ms);

} // namespace

Frame_appender::Frame_appender(const std::string& path, Sync sync)
    : path_(path), sync_(sync ? std::move(sync) : Sync([](platform::Byte_file& f) { return f.Sync(); }))
{
    int error = 0;
    if (!lock_.Take(path, error))
        throw Run_time_error(err_Bad_file_mode, error == EAGAIN ? "The recording " + path + " is being written by another capture"
                                                                : "The recording " + path + " cannot be written: " +
                                                                      std::strerror(error));
    if (!file_.Open(path, platform::Raw_file::Mode::Read_write, error))
        throw Run_time_error(err_Bad_file_mode, "The recording " + path + " cannot be written: " + std::strerror(error));
    uint8_t head[k_Own_head_size];
    const int64_t size = file_.Size();
    if (!file_.Read_exact(0, head, sizeof head) || std::memcmp(head, k_Own_magic, 4) != 0)
        throw Run_time_error(err_Bad_file_mode, "Not a Wakeline recording: " + path);
    data_ = recording_bytes::Get_long(head + 4);
    if (data_ <= k_Own_head_size || data_ > size)
        throw Run_time_error(err_Bad_file_mode, "The recording " + path + " has no frame area");
    // After the last whole frame: a frame cut short by a crash is written over.
    next_ = data_ + (size - data_) / k_DV_frame_size * k_DV_frame_size;
    if (Cls_XML_header header; Read_header(header)) counted_at_open_ = header.Frames_no();
    thread_ = std::thread([this] { Run(); });
}

Frame_appender::~Frame_appender()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    std::lock_guard file(file_mutex_);
    Sync_if_due(0, true);
}

void Frame_appender::Add(std::vector<uint8_t> frame, int32_t capture_tick)
{
    {
        std::lock_guard lock(mutex_);
        if (error_ != 0) return;
        ++handed_;
        waiting_.emplace_back(std::move(frame), capture_tick);
    }
    wake_.notify_one();
}

void Frame_appender::Run()
{
    std::unique_lock lock(mutex_);
    const auto has_work = [this] { return stopping_ || !waiting_.empty(); };
    for (;;) {
        bool unsynced = false;
        std::chrono::steady_clock::time_point due;
        {
            std::lock_guard file(file_mutex_);
            unsynced = unsynced_;
            due = unsynced_since_ + k_Sync_interval;
        }
        // Frames written and none coming: they still reach the disk within the interval.
        if (unsynced) wake_.wait_until(lock, due, has_work);
        else wake_.wait(lock, has_work);
        if (waiting_.empty()) {
            if (stopping_) return;
            lock.unlock();
            {
                std::lock_guard file(file_mutex_);
                Sync_if_due(0, false);
            }
            lock.lock();
            continue;
        }
        auto [frame, tick] = std::move(waiting_.front());
        waiting_.pop_front();
        writing_ = true;
        lock.unlock();
        const bool written = Write(frame, tick);
        const int error = written ? 0 : (file_.Last_error() != 0 ? file_.Last_error() : EIO);
        lock.lock();
        writing_ = false;
        if (written) ++written_;
        else {
            error_ = error;
            waiting_.clear();
        }
        done_.notify_all();
    }
}

bool Frame_appender::Write(const std::vector<uint8_t>& frame, int32_t capture_tick)
{
    if (frame.size() < size_t(k_DV_frame_size)) return false;
    std::lock_guard file(file_mutex_);
    if (!file_.Write_at(next_, frame.data(), size_t(k_DV_frame_size))) return false;
    next_ += k_DV_frame_size;
    if (!unsynced_) {
        unsynced_ = true;
        unsynced_tick_ = capture_tick;
        unsynced_since_ = std::chrono::steady_clock::now();
    }
    Sync_if_due(capture_tick, false);
    return true;
}

// Due a second of capture time after the first frame not yet synced, or a second of real time
// after it was written, whichever comes first. Under file_mutex_.
void Frame_appender::Sync_if_due(int32_t capture_tick, bool now)
{
    if (!unsynced_) return;
    const bool by_capture = platform::Tick_difference(capture_tick, unsynced_tick_) >= k_Sync_interval_ms;
    const bool by_time = std::chrono::steady_clock::now() - unsynced_since_ >= k_Sync_interval;
    if (!now && !by_capture && !by_time) return;
    // A failed sync is tried again with the next frame; the frames themselves are written.
    if (sync_(file_)) unsynced_ = false;
}

void Frame_appender::Finish(const std::function<void(int32_t written, int32_t handed)>& progress)
{
    using namespace std::chrono_literals;
    {
        std::unique_lock lock(mutex_);
        while (!waiting_.empty() || writing_) {
            done_.wait_for(lock, 50ms);
            if (!progress) continue;
            const int32_t written = written_, handed = handed_;
            lock.unlock();
            progress(written, handed);
            lock.lock();
        }
    }
    std::lock_guard file(file_mutex_);
    Sync_if_due(0, true);
}

bool Frame_appender::Read_header(Cls_XML_header& header) const
{
    std::string text;
    if (!Own_format_reader::Read_text_on_disk(file_, text)) return false;
    text.resize(std::strlen(text.c_str()));
    return header.XML_string(text);
}

bool Frame_appender::Change_header(const std::function<bool(Cls_XML_header&)>& change)
{
    std::lock_guard file(file_mutex_);
    Cls_XML_header header;
    if (!Read_header(header) || !change(header)) return false;
    header.Frames_no(int32_t((next_ - data_) / k_DV_frame_size));
    return Own_format_reader::Write_header_text_on(file_, path_, header.XML_string(), problems_);
}

bool Frame_appender::Store_count()
{
    try {
        if (Change_header([](Cls_XML_header&) { return true; })) return true;
    } catch (const Run_time_error&) {
        // A full disk has no room for the header's journal; the count alone needs none.
    }
    std::lock_guard file(file_mutex_);
    return Own_format_reader::Write_frame_count_on(file_, int32_t((next_ - data_) / k_DV_frame_size));
}

int32_t Frame_appender::Written() const
{
    std::lock_guard lock(mutex_);
    return written_;
}

int32_t Frame_appender::Handed() const
{
    std::lock_guard lock(mutex_);
    return handed_;
}

int32_t Frame_appender::On_disk() const
{
    std::lock_guard file(file_mutex_);
    return int32_t((next_ - data_) / k_DV_frame_size);
}

int Frame_appender::Error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

} // namespace wk
