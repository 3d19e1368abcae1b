#pragma once
// The header fields read and written unchanged, each named once: the header declares its
// accessors from these lists. A field whose recording member does more (writes the file, checks,
// picks a default) is written out by hand in the race and tolvex sections.
#include <cstdint>
#include <string>
#include <type_traits>

// X(value type, name): a getter and a setter without index.
#define WK_HEADER_FIELDS(X)                                                                        \
    X(std::string, Subject_name)    /* "" when it cannot be read */                                \
    X(std::string, SpecApp)         /* "None" when empty or missing; the setter adds it */         \
    X(bool, Lanes_Visible)          /* True when it cannot be read */                              \
    X(bool, Lanes_flipped)                                                                         \
    X(bool, Lanes_reversed)                                                                        \
    X(bool, Show_goalline)                                                                         \
    X(std::string, Venue)                                                                          \
    X(std::string, Graded_at)                                                                      \
    X(bool, Graded_active)                                                                         \
    X(std::string, Grade_slice)     /* "" when it cannot be read */                                \
    X(std::string, Grade_direction) /* "" when it cannot be read */                                \
    X(std::string, Grade_top)                                                                      \
    X(std::string, Grade_toe)                                                                      \
    X(std::string, Grade_club)                                                                     \
    X(std::string, Grade_comment)                                                                  \
    X(std::string, anp_filename)                                                                   \
    X(std::string, Tolv_event)                                                                     \
    X(std::string, Tolv_Heat_ID)                                                                   \
    X(std::string, Tolv_Heat_Name)                                                                 \
    X(std::string, Tolv_Heat_Length) /* "" when it cannot be read */                               \
    X(std::string, Tolv_start_DateTime)                                                            \
    X(std::string, Tolv_goal_finish) /* a failed write raises to the caller; nothing else stops */ \
    X(std::string, Tolv_goal_split)                                                                \
    X(std::string, Tolv_Box_delay)   /* "0" when missing; a missing element is not set */

// X(value type, name, index): a getter and a setter of one numbered record.
#define WK_HEADER_INDEXED_FIELDS(X)                                                                \
    X(std::string, comment, n)                          /* file_comment1..5; "" when missing */    \
    X(std::string, Camera_ID, stream)                   /* "" for streams other than 1..3 */       \
    X(std::string, Wakeline_Marathon_Class_Name, id)    /* marathon classes 1..30 */               \
    X(std::string, Wakeline_Marathon_Class_Start, id)                                              \
    X(std::string, Heat_comment, heat)                  /* heats 1..5 */                           \
    X(std::string, anp_line, n)                         /* animation lines 1..150 */               \
    X(std::string, Tolv_Dog_name, box)                  /* boxes 1..8 */                           \
    X(bool, Tolv_dead_heat, box)                        /* False when it cannot be read */         \
    X(int32_t, Tolv_Heat_Click_Time, box)               /* 0 when it cannot be read */             \
    X(int32_t, Tolv_heat_frame, box)                                                               \
    X(int32_t, Tolv_split_frame, box)

namespace wk::header_field {
// How a setter of the lists takes its value.
template <class T> using Arg = std::conditional_t<std::is_arithmetic_v<T>, T, const T&>;
} // namespace wk::header_field
