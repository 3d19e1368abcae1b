#pragma once
// One lane's result as the recording's header stores it and every result is made from.
#include <cstdint>

namespace wk {

// How a lane's time was made: clicked by hand, proposed by the finish reader and confirmed, or
// proposed and overridden by a click on another field.
enum class Result_made : int16_t { clicked = 0, confirmed = 1, overridden = 2 };

// One lane's result: lane index 0..15, time in ms, click time in ms, goal field.
struct Lane_Result_Record {
    int16_t Lane = 0;
    int32_t Time = 0;
    int32_t Click_time = 0;
    int16_t Goal_field = 0;
    Result_made Made = Result_made::clicked;
};

} // namespace wk
