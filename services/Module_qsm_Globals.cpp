#include "services/Module_qsm_Globals.h"

#include "platform/Interface_kit.h"
#include "platform/Print_target.h"

namespace wk {

std::shared_ptr<cls_AVI_handler> g_Recording;
std::shared_ptr<Active_capture> g_Capture;
bool g_Capture_running = false;
std::array<int32_t, 5> g_File_Kind{};

bool g_Compiled = true;
bool g_Exiting = false;
bool g_Emergency_stop = false;
int32_t g_Start_tick = 0;
std::string g_AppUserData;
std::string g_Edition_text = k_Edition_text;
std::string g_Version_text;
std::string g_Computer_name;
std::string Ini_file_path;
std::string g_Data_folder;
std::string g_App_Title;
std::string g_Marathon_csv;
std::string g_Marathon_xml;
std::string g_Marathon_results_xml;
int32_t g_Timing_correction = 0;
std::string g_DV_Codec;
bool g_Taskbar_hidden = false;
std::shared_ptr<platform::Interface_kit> g_Interface_kit;
bool g_Print_preview = false;
std::shared_ptr<platform::Print_target> g_Print_target;
std::string g_Print_title;
std::string g_Print_footer;
std::string g_Event_logo;
bool g_Event_logo_loaded = false;
int32_t Logo_bottom_y = 0;
int32_t File_block_top_y = 0;
int32_t File_block_bottom_y = 0;
int32_t Print_top_y = 0;
int16_t g_Printer_count = -1;
int32_t g_Paper_width = 0;
int32_t g_Paper_height = 0;

int32_t g_DV_Extra_Offset = 12000;
std::string g_Event_name;
int16_t g_Run_mode = 0;
std::shared_ptr<cDIBSection> g_Frame_DIB;

int32_t g_Key_colour = 0x808080;
std::string g_Build_text;
bool g_Viewer_activated = false;
float g_Page_left = 0, g_Page_top = 0, g_Page_right = 0, g_Page_bottom = 0;
std::shared_ptr<Cls_memory_status> g_Memory_status;

namespace {
template <size_t N> std::array<Lane_Result_Record, N> No_times()
{
    std::array<Lane_Result_Record, N> a{};
    for (auto& r : a) r.Time = No_Time;
    return a;
}
} // namespace
std::array<Lane_Result_Record, 16> Lane_all_Heats_Array = No_times<16>();
std::array<Lane_Result_Record, 17> Lane_Active_Heat_Array = No_times<17>();
int32_t g_Heat_correction = 0;
std::string g_Export_folder;
std::string g_Export_file;

std::vector<std::shared_ptr<Cls_lane>> g_Lanes;
int16_t g_Num_lanes = 0;
int16_t g_Lanes_in_use = 0;
Goal_line_coords g_Goal_line;
Goal_line_coords g_File_Goal_line;
bool g_Show_Lanes = false, g_Flip_Lanes = false, g_Show_Goalline = false, g_Rotate = false, g_Lane_Zero = false,
     g_Loading_settings = false;
bool g_Lane_marks_shown = false, g_Goalline_shown = false, g_Goalline_dimmed = false;
int16_t g_Hit_Lane_number = -1;
int16_t g_Active_Lane = 0;
int16_t g_Goal_handle = 0;
int16_t g_Drag_Lane = -1;
float g_Grab_X = 0, g_Grab_Y = 0;
int32_t g_Mouse_down_X = 0, g_Mouse_down_Y = 0;

int16_t Cls_Capture_Counter = 0;
std::string g_Capture_folder;
std::string g_Last_captured_file;
std::string g_Copy_folder;
int16_t g_Num_video_devices = 0;
bool p_Phidget_Attached = false;
bool g_Show_DV_metadata = false;

} // namespace wk
