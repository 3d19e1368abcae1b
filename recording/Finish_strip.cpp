#include "recording/Finish_strip.h"

#include "platform/Av_frame_decoder.h"
#include "platform/Byte_file.h"
#include "platform/System_info.h"
#include "recording/cls_AVI_handler.h"

#include <algorithm>
#include <memory>

#include <sys/resource.h>

namespace wk {

Finish_strip_source Strip_source_of(const cls_AVI_handler& recording, int16_t stream)
{
    Finish_strip_source s;
    s.path = recording.File_name();
    // Fields are drawn at this size, whatever the file's header says.
    s.frame_height = recording.NTSC() ? 480 : 576;
    const int32_t frames = recording.num_frames();
    // NTSC fields last 1001/60 ms, whatever whole number the file's header rounds them to.
    s.ms_per_field = recording.NTSC() ? 1001.0 / 60.0 : 500.0 / std::max<int16_t>(recording.frame_rate(), 1);
    s.places.resize(size_t(std::max(frames, 0)));
    for (int32_t f = 1; f <= frames; ++f) {
        int64_t offset = 0;
        size_t length = 0;
        if (recording.Frame_place(f, stream, offset, length, s.codec) && length <= UINT32_MAX)
            s.places[size_t(f - 1)] = {offset, uint32_t(length)};
    }
    return s;
}

// What one worker keeps: its decoder, its own way into the file, the bytes of the frame it reads
// and the picture it decodes them into.
class Strip_worker {
public:
    Strip_worker(const std::string& path, const std::string& codec, int32_t width, int32_t height)
        : decoder(codec), picture(size_t(platform::Bgr_stride(width)) * size_t(height))
    {
        int error = 0;
        file = platform::Open_byte_source(path, platform::Raw_file::Mode::Read, error);
    }
    platform::Av_frame_decoder decoder;
    std::unique_ptr<platform::Byte_source> file;
    platform::Av_frame_bytes bytes;
    std::vector<uint8_t> picture;
};

Finish_strip::Finish_strip(Finish_strip_source source, const Finish_strip_line::Setup& line, int workers)
    : line_([&] {
          // The line is sampled in the frames this source decodes.
          Finish_strip_line::Setup s = line;
          s.frame_width = source.frame_width;
          s.frame_height = source.frame_height;
          return s;
      }()),
      path_(std::move(source.path)), codec_(std::move(source.codec)), frame_width_(source.frame_width),
      frame_height_(source.frame_height), ms_per_field_(source.ms_per_field), places_(std::move(source.places)),
      frames_(int32_t(places_.size())), columns_(line_, frame_width_, frame_height_)
{
    picture_ = QImage(std::max(1, 2 * frames_), line_.Samples(), QImage::Format_RGB32);
    if (picture_.isNull()) {
        // No memory for it: an empty strip, nothing started.
        frames_ = 0;
        places_ = {};
        return;
    }
    picture_.fill(k_Not_ready);
    // Taken once here: the workers write through it and nothing may detach the picture after.
    bits_ = picture_.bits();
    row_bytes_ = picture_.bytesPerLine();
    done_.assign(size_t(frames_), 0);
    if (frames_ == 0) return;
    // One processor for the viewer's own thread and one for its decoding ahead.
    if (workers <= 0) workers = std::max(2, int(std::thread::hardware_concurrency()) - 2);
    workers = std::min(workers, frames_);
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
}

Finish_strip::~Finish_strip()
{
    stop_ = true;
    for (auto& w : workers_) w.join();
}

QImage Finish_strip::Ready_picture() const
{
    const int32_t ready = Ready_columns();
    if (ready == 0) return {};
    return QImage(picture_.constBits(), ready, picture_.height(), row_bytes_, QImage::Format_RGB32);
}

void Finish_strip::Wait_whole()
{
    std::unique_lock<std::mutex> lock(mutex_);
    whole_.wait(lock, [&] { return ready_frames_.load() == frames_; });
}

void Finish_strip::Work()
{
    // Far below the viewer's threads: where they share a processor, the viewer's stepping and
    // decoding go first, and the strip takes what is left (never nothing, as an idle class would
    // on a busy machine).
    setpriority(PRIO_PROCESS, id_t(platform::Thread_id()), 19);
    Strip_worker worker(path_, codec_, frame_width_, frame_height_);
    for (;;) {
        const int32_t frame = next_.fetch_add(1) + 1;
        if (frame > frames_ || stop_) return;
        if (!Build_frame(frame, worker)) Mark_unreadable(frame);
        Note_done(frame);
    }
}

bool Finish_strip::Build_frame(int32_t frame, Strip_worker& w)
{
    const Finish_strip_source::Place place = places_[size_t(frame - 1)];
    if (place.length == 0 || !w.file || !w.decoder.Is_open()) return false;
    uint8_t* into = w.bytes.Resize(place.length);
    if (into == nullptr || !w.file->Read_exact(place.offset, into, place.length)) return false;
    if (!w.decoder.Decode(w.bytes.Bytes(), w.picture.data(), frame_width_, frame_height_)) return false;
    columns_.Write(w.picture.data(), frame, bits_, row_bytes_);
    return true;
}

void Finish_strip::Mark_unreadable(int32_t frame)
{
    ++unreadable_;
    columns_.Paint(k_Unreadable, frame, bits_, row_bytes_);
}

void Finish_strip::Note_done(int32_t frame)
{
    std::lock_guard<std::mutex> lock(mutex_);
    done_[size_t(frame - 1)] = 1;
    int32_t ready = ready_frames_.load();
    while (ready < frames_ && done_[size_t(ready)] != 0) ++ready;
    ready_frames_.store(ready, std::memory_order_release);
    done_count_.fetch_add(1, std::memory_order_release);
    if (ready == frames_) {
        // Whole: only the strip itself stays.
        done_ = {};
        places_ = {};
        whole_.notify_all();
    }
}

} // namespace wk
