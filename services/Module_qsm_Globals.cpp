#include "services/Module_qsm_Globals.h"

#include "platform/Interface_kit.h"
#include "platform/Print_target.h"
#include "platform/State_reset.h"

namespace wk {

// Every program-wide value with the value the program starts with. The one list both defines the
// values and resets them, so a value declared in the header and missing here does not link, and
// one listed here is always reset. The objects come first: releasing one may count itself off a
// value further down (a camera object lowers Cls_Capture_Counter), which is then reset after it.
#define WK_PROGRAM_VALUES(X)                                                                           \
    X(g_Recording)                                                                                     \
    X(g_Capture)                                                                                       \
    X(g_Interface_kit)                                                                                 \
    X(g_Print_target)                                                                                  \
    X(g_Frame_DIB)                                                                                     \
    X(g_Memory_status)                                                                                 \
    X(g_Lanes)                                                                                         \
    X(g_Capture_running, false)                                                                        \
    X(g_File_Kind)                                                                                     \
    X(g_Compiled, true)                                                                                \
    X(g_Exiting, false)                                                                                \
    X(g_Emergency_stop, false)                                                                         \
    X(g_Start_tick, 0)                                                                                 \
    X(g_AppUserData)                                                                                   \
    X(g_Edition_text, k_Edition_text)                                                                  \
    X(g_Version_text)                                                                                  \
    X(g_Computer_name)                                                                                 \
    X(Ini_file_path)                                                                                   \
    X(g_Data_folder)                                                                                   \
    X(g_App_Title)                                                                                     \
    X(g_Marathon_csv)                                                                                  \
    X(g_Marathon_xml)                                                                                  \
    X(g_Marathon_results_xml)                                                                          \
    X(g_Timing_correction, 0)                                                                          \
    X(g_DV_Codec)                                                                                      \
    X(g_Taskbar_hidden, false)                                                                         \
    X(g_Print_preview, false)                                                                          \
    X(g_Print_title)                                                                                   \
    X(g_Print_footer)                                                                                  \
    X(g_Event_logo)                                                                                    \
    X(g_Event_logo_loaded, false)                                                                      \
    X(Logo_bottom_y, 0)                                                                                \
    X(File_block_top_y, 0)                                                                             \
    X(File_block_bottom_y, 0)                                                                          \
    X(Print_top_y, 0)                                                                                  \
    X(g_Printer_count, -1)                                                                             \
    X(g_Paper_width, 0)                                                                                \
    X(g_Paper_height, 0)                                                                               \
    X(g_DV_Extra_Offset, 12000)                                                                        \
    X(g_Event_name)                                                                                    \
    X(g_Run_mode, 0)                                                                                   \
    X(g_Key_colour, 0x808080)                                                                          \
    X(g_Build_text)                                                                                    \
    X(g_Viewer_activated, false)                                                                       \
    X(g_Page_left, 0)                                                                                  \
    X(g_Page_top, 0)                                                                                   \
    X(g_Page_right, 0)                                                                                 \
    X(g_Page_bottom, 0)                                                                                \
    X(g_Export_folder)                                                                                 \
    X(g_Export_file)                                                                                   \
    X(g_Num_lanes, 0)                                                                                  \
    X(g_Lanes_in_use, 0)                                                                               \
    X(g_Goal_line)                                                                                     \
    X(g_File_Goal_line)                                                                                \
    X(g_Show_Lanes, false)                                                                             \
    X(g_Flip_Lanes, false)                                                                             \
    X(g_Show_Goalline, false)                                                                          \
    X(g_Rotate, false)                                                                                 \
    X(g_Lane_Zero, false)                                                                              \
    X(g_Loading_settings, false)                                                                       \
    X(g_Lane_marks_shown, false)                                                                       \
    X(g_Goalline_shown, false)                                                                         \
    X(g_Goalline_dimmed, false)                                                                        \
    X(g_Hit_Lane_number, -1)                                                                           \
    X(g_Active_Lane, 0)                                                                                \
    X(g_Goal_handle, 0)                                                                                \
    X(g_Drag_Lane, -1)                                                                                 \
    X(g_Grab_X, 0)                                                                                     \
    X(g_Grab_Y, 0)                                                                                     \
    X(g_Mouse_down_X, 0)                                                                               \
    X(g_Mouse_down_Y, 0)                                                                               \
    X(Cls_Capture_Counter, 0)                                                                          \
    X(g_Capture_folder)                                                                                \
    X(g_Last_captured_file)                                                                            \
    X(g_Copy_folder)                                                                                   \
    X(g_Num_video_devices, 0)                                                                          \
    X(p_Phidget_Attached, false)                                                                       \
    X(g_Show_DV_metadata, false)

#define WK_DEFINE_VALUE(name, ...) decltype(name) name{__VA_ARGS__};
WK_PROGRAM_VALUES(WK_DEFINE_VALUE)
#undef WK_DEFINE_VALUE

namespace {

void Reset_program_values()
{
#define WK_RESET_VALUE(name, ...) name = decltype(name){__VA_ARGS__};
    WK_PROGRAM_VALUES(WK_RESET_VALUE)
#undef WK_RESET_VALUE
}

} // namespace

void Reset_program_state()
{
    Reset_program_values();
    platform::Run_state_resets();
}

#undef WK_PROGRAM_VALUES

} // namespace wk
