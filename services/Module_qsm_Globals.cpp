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
int16_t g_Printer_count = 0;
int32_t g_Paper_width = 0;
int32_t g_Paper_height = 0;

int32_t g_DV_Extra_Offset = 12000;
std::string g_Event_name;
int16_t g_Run_mode = 0;
std::shared_ptr<cDIBSection> g_Frame_DIB;

int32_t g_Lanes_count = 0;
std::array<Lane_Result_Record, 17> Lane_all_Heats_Array{};
std::array<Lane_Result_Record, 17> Lane_Active_Heat_Array{};

} // namespace wk
