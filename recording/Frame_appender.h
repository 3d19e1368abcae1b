#pragma once
// Frames of a capture written to its recording as they come, on a thread of its own: handing a
// frame over never waits for the disk, so a slow or stalled disk cannot hold up the camera's
// delivery, and a crash loses only what was still on its way. Frames go after the last whole
// frame on disk, each in one write, as the recording object appends them.
//
// While it appends, the appender is the recording's one writer: it holds the file's append lock
// (so no open elsewhere mistakes its frames for a crash's), header changes go through it, and the
// count it stores is the whole frames on disk. What it wrote reaches the disk at least once a
// second of capture time (and of real time), so a power cut loses about a second at most.
#include "platform/Append_lock.h"
#include "platform/Byte_file.h"
#include "recording/Recording_problem.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wk {

class Cls_XML_header;

class Frame_appender {
public:
    // Makes what was written reach the disk; tests count it. The default syncs the file's data.
    using Sync = std::function<bool(platform::Byte_file&)>;
    static constexpr int32_t k_Sync_interval_ms = 1000;

    // Opens the own-format recording at path for writing and takes its append lock; raises
    // Run_time_error when it cannot (the reason in its text).
    explicit Frame_appender(const std::string& path, Sync sync = {});
    // Writes what it still holds, then ends its thread.
    ~Frame_appender();
    Frame_appender(const Frame_appender&) = delete;
    Frame_appender& operator=(const Frame_appender&) = delete;

    // Hands a 144000-byte frame over, taken at capture_tick. After a failed write frames are
    // dropped.
    void Add(std::vector<uint8_t> frame, int32_t capture_tick);
    // Waits until every frame handed over is written or a write has failed, and syncs; progress
    // is told the frames written and handed over while it waits.
    void Finish(const std::function<void(int32_t written, int32_t handed)>& progress = {});

    // Changes the recording's header between two frame writes: change edits the header as read
    // from the file (false: leave it), and the header is written with the whole frames on disk as
    // its count. False when it could not be read or written; raises Run_time_error when the
    // header's journal could not be written (the file then reads as before).
    bool Change_header(const std::function<bool(Cls_XML_header&)>& change);
    // Stores the whole frames on disk as the header's count: through the header's journal, or in
    // place where the disk has no room for one. Whether it is stored.
    bool Store_count();

    int32_t Written() const;
    int32_t Handed() const;
    // Whole frames on disk, those before the appender included.
    int32_t On_disk() const;
    // The header's count when the appender opened the recording (-1: no readable header). More
    // than were on disk then: the file was cut short since.
    int32_t Counted_at_open() const { return counted_at_open_; }
    // The errno value of the write that failed; 0 while every write went through.
    int Error() const;
    // Problems of the header writes, for the owner to tell; they are forgotten.
    std::vector<Recording_problem> Take_problems() { return problems_.Take(); }

private:
    void Run();
    bool Write(const std::vector<uint8_t>& frame, int32_t capture_tick);
    void Sync_if_due(int32_t capture_tick, bool now);
    bool Read_header(Cls_XML_header& header) const;

    std::string path_;
    platform::Append_lock lock_;
    platform::Byte_file file_;
    Sync sync_;
    Recording_problems problems_;
    int64_t data_ = 0;
    int32_t counted_at_open_ = -1;
    // The file's bytes (next_, the sync state) change under file_mutex_ only: frames on the
    // thread, header changes on the caller's.
    mutable std::mutex file_mutex_;
    int64_t next_ = 0;
    bool unsynced_ = false;
    int32_t unsynced_tick_ = 0;
    std::chrono::steady_clock::time_point unsynced_since_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<std::pair<std::vector<uint8_t>, int32_t>> waiting_;
    int32_t written_ = 0, handed_ = 0;
    bool writing_ = false, stopping_ = false;
    int error_ = 0;
    std::thread thread_;
};

} // namespace wk
