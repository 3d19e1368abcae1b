#pragma once
// Frames of a capture written to its recording as they come, on a thread of its own: handing a
// frame over never waits for the disk, so a slow or stalled disk cannot hold up the camera's
// delivery, and a crash loses only what was still on its way. Frames go after the last whole
// frame on disk, each in one write, as the recording object appends them; the header's count is
// left to the recording object once the appender has finished.
#include "platform/Byte_file.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wk {

class Frame_appender {
public:
    // Opens the own-format recording at path for writing; raises Run_time_error when it cannot
    // (the reason in its text).
    explicit Frame_appender(const std::string& path);
    // Writes what it still holds, then ends its thread.
    ~Frame_appender();
    Frame_appender(const Frame_appender&) = delete;
    Frame_appender& operator=(const Frame_appender&) = delete;

    // Hands a 144000-byte frame over. After a failed write frames are dropped.
    void Add(std::vector<uint8_t> frame);
    // Waits until every frame handed over is written or a write has failed; progress is told
    // the frames written and handed over while it waits.
    void Finish(const std::function<void(int32_t written, int32_t handed)>& progress = {});

    int32_t Written() const;
    int32_t Handed() const;
    // The errno value of the write that failed; 0 while every write went through.
    int Error() const;

private:
    void Run();
    bool Write(const std::vector<uint8_t>& frame);

    platform::Byte_file file_;
    int64_t next_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<std::vector<uint8_t>> waiting_;
    int32_t written_ = 0, handed_ = 0;
    bool writing_ = false, stopping_ = false;
    int error_ = 0;
    std::thread thread_;
};

} // namespace wk
