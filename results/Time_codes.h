#pragma once
// A lane's time, or one of the codes stored in its place.
#include <cstdint>

namespace wk {

inline constexpr int32_t No_Time = 999999999;
inline constexpr int32_t Time_DSQ = 100000001;
inline constexpr int32_t Time_DNS = 100000002;
inline constexpr int32_t Time_DNF = 100000003;
// Everything below the first code is a real time (a click before the start gives a negative one).
inline constexpr bool Is_real_time(int32_t time) { return time < Time_DSQ; }

} // namespace wk
