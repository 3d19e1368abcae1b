#pragma once
// The finish strip: the goal line's pixels in every field of a recording side by side, column k
// (from 0) holding field k + 1, so that each boat shows as a shape at its crossing. It is built
// on worker threads, each with its own decoder and its own byte source of the file; the caller's
// thread only takes where the frames lie, once, and looks at what is ready. Columns are filled
// from the start on, so the ready part grows from the left.
#include "recording/Finish_strip_line.h"
#include "recording/Strip_columns.h"

#include <QImage>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wk {

class cls_AVI_handler;
class Strip_worker;

// What the workers need of a recording: the file, the decoder's codec, the frame's size, how long
// a field lasts and where each frame lies.
struct Finish_strip_source {
    struct Place {
        int64_t offset = 0;
        uint32_t length = 0; // 0: the frame cannot be read
    };
    std::string path;
    std::string codec; // empty for DV
    int32_t frame_width = 720, frame_height = 576;
    double ms_per_field = 20;
    std::vector<Place> places; // frame f at f - 1
};

// The source of a stream of the open recording, taken on the recording's own thread.
Finish_strip_source Strip_source_of(const cls_AVI_handler& recording, int16_t stream);

class Finish_strip {
public:
    // Columns not built yet, and those of frames that could not be read or decoded.
    static constexpr QRgb k_Not_ready = 0xFF202020;
    static constexpr QRgb k_Unreadable = 0xFF400000;

    // Starts building; workers 0 takes two less than the processors (at least two). Without the
    // memory for the strip it is empty (no columns).
    Finish_strip(Finish_strip_source source, const Finish_strip_line::Setup& line, int workers = 0);
    // Stops the workers and waits for them.
    ~Finish_strip();
    Finish_strip(const Finish_strip&) = delete;
    Finish_strip& operator=(const Finish_strip&) = delete;

    const Finish_strip_line& Line() const { return line_; }
    double Ms_per_field() const { return ms_per_field_; }
    int32_t Columns() const { return 2 * frames_; }
    int32_t Frames() const { return frames_; }
    // Frames done, in any order, and the columns ready from the left: only those may be read.
    int32_t Frames_done() const { return done_count_.load(std::memory_order_acquire); }
    int32_t Ready_columns() const { return 2 * ready_frames_.load(std::memory_order_acquire); }
    bool Whole() const { return Ready_columns() == Columns(); }
    int32_t Unreadable_frames() const { return unreadable_.load(); }
    // Waits until every column is built.
    void Wait_whole();
    // The strip: Columns() wide, one row per sample of the line; the columns past Ready_columns()
    // are still being written.
    const QImage& Picture() const { return picture_; }
    // The columns ready, as a picture of their own over the strip's memory (valid while the strip
    // lives). A new one for each look: painters may keep what they saw of a picture they know.
    QImage Ready_picture() const;

private:
    void Work();
    bool Build_frame(int32_t frame, Strip_worker& worker);
    void Mark_unreadable(int32_t frame);
    void Note_done(int32_t frame);

    Finish_strip_line line_;
    std::string path_, codec_;
    int32_t frame_width_, frame_height_;
    double ms_per_field_;
    std::vector<Finish_strip_source::Place> places_; // dropped once the strip is whole
    int32_t frames_ = 0;
    Strip_columns columns_;
    QImage picture_;
    uchar* bits_ = nullptr;
    qsizetype row_bytes_ = 0;

    std::atomic<int32_t> next_{0}, done_count_{0}, ready_frames_{0}, unreadable_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable whole_;
    std::vector<uint8_t> done_; // per frame, under mutex_
    std::vector<std::thread> workers_;
};

} // namespace wk
