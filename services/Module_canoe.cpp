#include "services/Module_canoe.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "services/Module_error.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_system.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"

#include <cstdlib>

namespace wk {
namespace {
bool g_initialized = false;
}

void Set_Compiled_Flag() { g_Compiled = !In_IDE(); }

void Reset_Initialization_for_tests() { g_initialized = false; }

void Wakeline_Initialization()
{
    Set_Compiled_Flag();
    if (g_initialized) return;
    try {
        g_Start_tick = Get_Tick();
        g_AppUserData = AppUserData();
        g_Edition_text = k_Edition_text;
        g_Version_text = std::to_string(k_Version_major) + "." + std::to_string(k_Version_minor) + "." +
                         std::to_string(k_Version_revision);
        g_Computer_name = Get_Computer_Name();
        Ini_file_path = platform::Join_path(g_AppUserData, "Wakeline.ini");
        g_Data_folder = platform::Data_folder().string();
        if (!FileExists(Ini_file_path)) platform::MsgBox("Wakeline.ini not found");
        g_App_Title = platform::App().title;
        g_Marathon_csv = platform::Join_path(g_Data_folder, "marathon_results.csv");
        g_Marathon_xml = platform::Join_path(g_Data_folder, "marathon.xml");
        g_Marathon_results_xml = platform::Join_path(g_Data_folder, "marathon_results.xml");
        const std::string correction = Read_Ini_Value("Settings", "timingcorrection", Ini_file_path, "0");
        char* end = nullptr;
        const long v = std::strtol(correction.c_str(), &end, 10);
        g_Timing_correction = (end && end != correction.c_str()) ? int32_t(v) : 0;
        g_initialized = true;
    } catch (...) {
        Report_current_exception("Wakeline_Initialization of Module Module_canoe");
    }
}

} // namespace wk
