#include "recording/Frame_appender.h"

#include "recording/Recording_bytes.h"
#include "recording/Recording_format.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <cerrno>
#include <chrono>
#include <cstring>

namespace wk {

using namespace recording_format;

Frame_appender::Frame_appender(const std::string& path)
{
    int error = 0;
    if (!file_.Open(path, platform::Raw_file::Mode::Read_write, error))
        throw Run_time_error(err_Bad_file_mode, "The recording " + path + " cannot be written: " + std::strerror(error));
    uint8_t head[k_Own_head_size];
    const int64_t size = file_.Size();
    if (!file_.Read_exact(0, head, sizeof head) || std::memcmp(head, k_Own_magic, 4) != 0)
        throw Run_time_error(err_Bad_file_mode, "Not a Wakeline recording: " + path);
    const int64_t data = recording_bytes::Get_long(head + 4);
    if (data <= k_Own_head_size || data > size)
        throw Run_time_error(err_Bad_file_mode, "The recording " + path + " has no frame area");
    // After the last whole frame: a frame cut short by a crash is written over.
    next_ = data + (size - data) / k_DV_frame_size * k_DV_frame_size;
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
}

void Frame_appender::Add(std::vector<uint8_t> frame)
{
    {
        std::lock_guard lock(mutex_);
        if (error_ != 0) return;
        ++handed_;
        waiting_.push_back(std::move(frame));
    }
    wake_.notify_one();
}

void Frame_appender::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        std::vector<uint8_t> frame = std::move(waiting_.front());
        waiting_.pop_front();
        writing_ = true;
        lock.unlock();
        const bool written = Write(frame);
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

bool Frame_appender::Write(const std::vector<uint8_t>& frame)
{
    if (frame.size() < size_t(k_DV_frame_size)) return false;
    if (!file_.Write_at(next_, frame.data(), size_t(k_DV_frame_size))) return false;
    next_ += k_DV_frame_size;
    return true;
}

void Frame_appender::Finish(const std::function<void(int32_t written, int32_t handed)>& progress)
{
    using namespace std::chrono_literals;
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

int Frame_appender::Error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

} // namespace wk
