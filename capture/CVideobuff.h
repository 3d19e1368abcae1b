#pragma once
// One DV frame held in a camera's linear list, with the tick it was stored at. The frame is a
// copy of its own, so its address stays valid as long as the object lives.
#include "capture/DV_Extra_Data_Composite.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace wk {

class CVideobuff {
public:
    CVideobuff() : data_(k_DV_frame_size) {}

    // Copies one frame from source; a source shorter than a frame raises err_Subscript and the
    // frame stays as it was.
    void FillData(std::span<const uint8_t> source);
    // Every byte 23: a frame that is plainly not DV.
    void FillBuffer();
    // The frame starts with a DV header block (the same test as Check_DV_Header's).
    bool Buffer_valid() const;
    // Copies the frame into destination, which must hold a frame (else err_Subscript).
    void GetData(std::span<uint8_t> destination) const;
    uint8_t* GetVideoAdress() { return data_.data(); }
    std::span<const uint8_t> Data() const { return data_; }
    // The frame's bytes, moved out: the object holds no frame after it.
    std::vector<uint8_t> Take_data() { return std::exchange(data_, {}); }

    int16_t ID() const { return id_; }
    void ID(int16_t id) { id_ = id; }
    void model_Frame(int32_t n) { model_frame_ = n; }
    int32_t Get_model_frame() const { return model_frame_; }

private:
    std::vector<uint8_t> data_;
    int16_t id_ = 0;
    int32_t model_frame_ = 0;
};

} // namespace wk
