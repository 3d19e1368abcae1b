#include "capture_server/Audio_chunker.h"

#include <algorithm>

namespace wk {

size_t Audio_sample_bytes(int32_t duration_ms, int32_t bytes_per_second, int32_t block_align)
{
    const int64_t ms = std::clamp(duration_ms, k_Min_audio_sample_ms, k_Max_audio_sample_ms);
    const int64_t align = std::max(block_align, 1);
    const int64_t bytes = ms * std::max(bytes_per_second, 0) / 1000;
    return size_t(std::max(bytes / align * align, align));
}

void Audio_chunker::Feed(double time, std::span<const uint8_t> bytes, int32_t bytes_per_second, int32_t block_align,
                         const Emit& emit)
{
    if (bytes_per_second <= 0) return;
    if (bytes_per_second != bytes_per_second_) {
        pending_.clear();
        bytes_per_second_ = bytes_per_second;
    }
    const size_t chunk = Audio_sample_bytes(duration_ms_, bytes_per_second, block_align);
    size_t used = 0;
    while (used < bytes.size()) {
        if (pending_.empty()) pending_time_ = time + double(used) / bytes_per_second;
        const size_t take = std::min(chunk - pending_.size(), bytes.size() - used);
        pending_.insert(pending_.end(), bytes.begin() + ptrdiff_t(used), bytes.begin() + ptrdiff_t(used + take));
        used += take;
        if (pending_.size() == chunk) {
            emit(pending_time_, pending_);
            pending_.clear();
        }
    }
}

} // namespace wk
