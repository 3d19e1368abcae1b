// The recording object's AVI members that need more than the AVI's face: a frame's chunk data,
// the position and player time, and what the golf section asks of the file.
#include "recording/cls_AVI_handler.h"

#include "recording/Avi_chunks.h"
#include "recording/Recording_reader.h"

namespace wk {

std::span<const uint8_t> cls_AVI_handler::Get_Frame(int32_t frame)
{
    if (!Read_Frame(frame, 1) || !reader_->Chunks()) return {};
    return reader_->Chunks()->Chunk_data();
}

int32_t cls_AVI_handler::Position_Percent() const { return Avi_answer(reader_->Chunks(), &Avi_chunks::Position_percent); }

float cls_AVI_handler::Avi_player_time() const { return Avi_answer(reader_->Chunks(), &Avi_chunks::Player_time); }

bool cls_AVI_handler::Keeps_swing_fields() const { return reader_->Own_head() != nullptr; }

const platform::Byte_file* cls_AVI_handler::Model_file() const
{
    return reader_->Chunks() && rec_.file.Is_open() ? &rec_.file : nullptr;
}

} // namespace wk
