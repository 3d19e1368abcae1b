#pragma once
// The work the capture server does for a camera without DV, done by FFmpeg's libraries alone,
// as the yardstick the server's cost is measured against: 640 x 480 I420 pictures at 50 a
// second scaled to 720 x 576 (libswscale, bilinear), two pictures woven into each frame, and the
// frame encoded to DV (libavcodec). Each camera runs on a thread of its own, paced by the clock,
// and draws the picture the server's fake cameras draw (moving colour bars and a number).
#include <atomic>
#include <cstdint>
#include <thread>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace wk {

// The yardstick's work on one camera's 640 x 480 I420 pictures: each scaled to 720 x 576 into its
// field of the frame being made; every second picture ends the frame, which is encoded to DV.
class Dv_reference_encoder {
public:
    Dv_reference_encoder();
    ~Dv_reference_encoder();
    Dv_reference_encoder(const Dv_reference_encoder&) = delete;
    Dv_reference_encoder& operator=(const Dv_reference_encoder&) = delete;

    bool Ready() const { return ready_; }
    // False when it is not ready or a frame could not be encoded.
    bool Add(const uint8_t* const planes[3], const int strides[3]);
    int64_t Frames() const { return frames_; }

private:
    AVCodecContext* context_ = nullptr;
    SwsContext* scale_ = nullptr;
    AVFrame *scaled_ = nullptr, *frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    bool ready_ = false;
    int pictures_ = 0;
    int64_t frames_ = 0;
};

class Dv_reference_camera {
public:
    // speed: pixels a picture its bars move, as the fake camera it stands beside.
    explicit Dv_reference_camera(int speed);
    ~Dv_reference_camera();
    Dv_reference_camera(const Dv_reference_camera&) = delete;
    Dv_reference_camera& operator=(const Dv_reference_camera&) = delete;

    // Ends the pictures and waits for the thread.
    void Stop();
    // What it did until Stop: frames encoded and the thread's CPU seconds.
    int64_t Frames() const { return frames_; }
    double Cpu_seconds() const { return cpu_seconds_; }

private:
    void Run();

    int speed_;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> frames_{0};
    double cpu_seconds_ = 0;
    std::thread thread_;
};

} // namespace wk
