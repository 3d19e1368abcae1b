#pragma once
// Cuts a sound stream into samples of one fixed duration, whatever lengths the input gives its
// buffers in. A sample's time is the time of its first byte.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace wk {

// Sample durations outside this range (a property set to 0, or to minutes) are held to it.
inline constexpr int32_t k_Min_audio_sample_ms = 10;
inline constexpr int32_t k_Max_audio_sample_ms = 1000;

// Bytes in one sample of duration_ms: duration x bytes per second / 1000, held to the range
// above and to whole blocks (one block is one sound sample of every channel).
size_t Audio_sample_bytes(int32_t duration_ms, int32_t bytes_per_second, int32_t block_align);

class Audio_chunker {
public:
    using Emit = std::function<void(double time, std::span<const uint8_t> bytes)>;
    explicit Audio_chunker(int32_t duration_ms) : duration_ms_(duration_ms) {}
    // Adds a buffer that begins at time; emits every sample completed. A change of format
    // drops the part sample of the old one.
    void Feed(double time, std::span<const uint8_t> bytes, int32_t bytes_per_second, int32_t block_align,
              const Emit& emit);

private:
    int32_t duration_ms_;
    int32_t bytes_per_second_ = 0;
    std::vector<uint8_t> pending_;
    double pending_time_ = 0;
};

} // namespace wk
