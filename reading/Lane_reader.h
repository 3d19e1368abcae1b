#pragma once
// Reads one lane at a time: decodes only the frames around where the strip saw its boat cross,
// with its own decoder and its own way into the file, so that several read lanes side by side.
#include "reading/Finish_reader.h"
#include "reading/Goal_geometry.h"
#include "reading/Lane_judgement.h"
#include "reading/Strip_crossings.h"
#include "recording/Finish_strip.h"

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace wk {

namespace platform {
class Av_frame_bytes;
class Av_frame_decoder;
class Byte_source;
} // namespace platform

class Bow_reader;
class Lane_window;
struct Bow_sample;

class Lane_reader {
public:
    // source and line must outlive the reader.
    Lane_reader(const Finish_strip_source& source, const Goal_geometry& line);
    ~Lane_reader();
    Lane_reader(const Lane_reader&) = delete;
    Lane_reader& operator=(const Lane_reader&) = delete;

    Lane_proposal Read(const Lane_job& job);

private:
    // The decoded frame (1-based), kept while one lane is read; nullptr when it cannot be read.
    const uint8_t* Frame(int32_t frame);
    std::vector<const uint8_t*> Water_frames(const Strip_stretch& s);
    int Direction(const Bow_reader& bow, int64_t first, int64_t last);
    std::vector<Bow_sample> Samples(const Bow_reader& bow, const Lane_job& job, int64_t first, int64_t last,
                                    int direction, Lane_notes& notes);

    const Finish_strip_source& source_;
    const Goal_geometry& line_;
    std::unique_ptr<platform::Av_frame_decoder> decoder_;
    std::unique_ptr<platform::Byte_source> file_;
    std::map<int32_t, std::unique_ptr<uint8_t[]>> frames_; // none: the frame cannot be read
    std::vector<std::unique_ptr<uint8_t[]>> spare_;
    std::unique_ptr<platform::Av_frame_bytes> bytes_;
};

} // namespace wk
