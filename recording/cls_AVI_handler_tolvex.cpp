// The recording object's side of the tolvex section: its header and the current frame's record.
#include "recording/cls_AVI_handler.h"

namespace wk {

int16_t cls_AVI_handler::Frame_goal_offset() const { return Extra_record().goal_offset; }

int16_t cls_AVI_handler::Tolv_Camera() const { return Extra_record().tolv_camera; }

} // namespace wk
