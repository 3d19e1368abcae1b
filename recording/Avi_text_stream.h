#pragma once
// The text stream of an AVI: one chunk a frame beside the video, read with the frame and
// written back in place. The AVI reader offers it.
#include <cstdint>
#include <span>
#include <vector>

namespace wk {

class Avi_text_stream {
public:
    virtual bool Has_text_stream() const = 0;
    virtual int16_t Text_length() const = 0;
    // The text read with the frame in store.
    virtual std::span<const uint8_t> Text() const = 0;
    virtual int64_t Text_position() const = 0;
    // The text chunk of frame n as it lies in the file, from its header on.
    virtual std::vector<uint8_t> Text_chunk(int32_t frame) = 0;
    // Writes data behind the first 4 bytes of the text of the frame in store.
    virtual bool Put_text(std::span<const uint8_t> data) = 0;
    // Writes the text buffer back into frame n's text chunk; raises when it cannot.
    virtual void Write_text(int32_t frame) = 0;

protected:
    ~Avi_text_stream() = default;
};

} // namespace wk
