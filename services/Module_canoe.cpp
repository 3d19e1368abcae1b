#include "services/Module_canoe.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Interface_kit.h"
#include "platform/Phidget_library.h"
#include "platform/Print_target.h"
#include "platform/Registry_store.h"
#include "platform/State_reset.h"
#include "services/Cls_audio_play.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_system.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/cRegistry.h"

#include <algorithm>
#include <cmath>

namespace wk {
namespace {
bool g_initialized = false;
const platform::State_reset k_Forget_initialization{[] { g_initialized = false; }};
} // namespace

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
        // A correction that is no whole number counts as none.
        g_Timing_correction = 0;
        try {
            g_Timing_correction = Read_setting(ini::Timing_correction);
        } catch (const Run_time_error&) {
        }
        if (!Verify_Phidget()) {
            platform::MsgBox("Phidget software error!");
            platform::End_program(1);
        }
        g_initialized = true;
    } catch (const platform::End_requested&) {
        throw;
    } catch (...) {
        Report_current_exception("Wakeline_Initialization of Module Module_canoe");
    }
}

void Load_Event_Name() { g_Event_name = Read_setting(ini::Event_name); }

bool Enter_Event_name(Operator_port& port)
{
    const auto answer = port.Event_name(g_Event_name);
    if (!answer) return false;
    g_Event_name = *answer;
    Write_setting(ini::Event_name, g_Event_name);
    return true;
}

bool Verify_Phidget()
{
    int step = 1;
    try {
        // The keyboard and the simulated box need no library.
        const platform::Control_box_kind kind = platform::Control_box_choice();
        if (kind == platform::Control_box_kind::Keyboard || kind == platform::Control_box_kind::Kitsim) return true;
        std::string load_error;
        g_Interface_kit = platform::Create_interface_kit(platform::Phidget_library::k_Default_path, &load_error);
        if (!load_error.empty()) Trace_Line("Phidgets library libphidget22 does not load: " + load_error);
        if (!g_Interface_kit) {
            // A station without the box's library times with the keyboard; the capture window says so.
            Trace_Line("Phidgets library libphidget22 not found; the keyboard stands in for the control box");
            return true;
        }
        step = 2;
        const std::string version = g_Interface_kit->Library_version();
        step = 3;
        if (g_Compiled && !platform::Phidget_library::Speaks_version(version)) {
            platform::MsgBox("Wrong Phidget versions found!\r\n" + version);
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        const auto* r = dynamic_cast<const Run_time_error*>(&e);
        Trace_Line("Phidgets error at line " + std::to_string(step) + " Error number = " +
                   std::to_string(r ? r->number() : 0) + " " + e.what());
        return false;
    }
}

std::string Get_Codec_dll(const std::string& fourcc)
{
    try {
        cRegistry reg;
        reg.ClassKey(platform::HKEY_LOCAL_MACHINE);
        reg.SectionKey(k_Drivers32_key);
        reg.ValueKey("vidc." + fourcc);
        reg.ValueType(platform::REG_SZ);
        reg.Default(std::string());
        // A machine without the key has no codec; that is said by the codec check, not as a read error.
        if (!reg.KeyExists()) return "";
        return Reg_variant_text(reg.Value());
    } catch (...) {
        Report_current_exception("Get_Codec_dll of Module Module_canoe");
        return "";
    }
}

void Eval_Codecs()
{
    try {
        Trace_Line("*Eval_Codecs");
        if (!Get_Codec_dll("dvsd").empty()) g_DV_Codec = "dvsd";
        if (!Get_Codec_dll("CDVC").empty()) g_DV_Codec = "CDVC";
    } catch (...) {
        return;
    }
    if (g_DV_Codec.empty()) {
        platform::MsgBox("No DV codec installed!\r\nPlease follow the installation instructions!\r\n"
                         "The DV codec is included in the installation files!");
        platform::End_program(1);
    }
}

void Stop_Active_Capture()
{
    g_Capture_running = false;
    try {
        if (g_Capture) g_Capture->Stop_Capture();
    } catch (...) {
    }
}

void Stop_All_Captures()
{
    Stop_Active_Capture();
    g_Emergency_stop = true;
    Wait_One_Second();
}

void Wakeline_exit(Operator_port& port)
{
    try {
        Trace_Line("********Canoe_exit start");
        g_Exiting = true;
        if (g_Compiled) {
            if (!port.Exit_confirmed()) {
                g_Exiting = false;
                return;
            }
        }
        if (g_Capture_running) {
            Stop_Active_Capture();
            for (int i = 0; i < 50; ++i) {
                platform::Get_clock().Sleep_ms(30);
                platform::Do_events();
            }
        }
        Trace_Line("********Canoe_exit captures stopped");
        obj_Midi.reset();
        Trace_Line("********obj_Midi nothing");
        // Unload until nothing is left, or a pass unloads nothing (a window that refuses).
        for (auto forms = platform::Loaded_forms(); !forms.empty();) {
            for (platform::Form* f : forms) {
                const auto still = platform::Loaded_forms();
                if (std::find(still.begin(), still.end(), f) == still.end()) continue; // gone with another
                const std::string name = f->Form_name();
                Trace_Line("About to unload " + name);
                f->Unload_form();
                Trace_Line("Unloaded " + name);
                Trace_Line("forms.count = " + std::to_string(platform::Loaded_forms().size()));
            }
            const auto left = platform::Loaded_forms();
            if (left.size() >= forms.size()) break;
            forms = left;
        }
        if (g_Taskbar_hidden) g_Taskbar_hidden = false;
        Trace_Line("******Canoe_exit end");
        if (platform::Loaded_forms().empty()) platform::Quit_event_loop();
    } catch (const platform::End_requested&) {
        throw;
    } catch (...) {
        Report_current_exception("Wakeline_exit of Module Module_canoe");
    }
}

void Check_Printer()
{
    try {
        platform::Printer_facts facts;
        if (auto* port = platform::Get_printer_port()) facts = port->Facts();
        g_Printer_count = int16_t(facts.count);
        if (facts.count == 0) {
            g_Paper_width = 11904;
            g_Paper_height = 16834;
        } else {
            g_Paper_width = int32_t(std::nearbyint(facts.page_width_twips));
            g_Paper_height = int32_t(std::nearbyint(facts.page_height_twips));
        }
    } catch (...) {
    }
}

void Need_printer()
{
    if (g_Printer_count < 0) Check_Printer();
    // A count set without the page (no printer list read) prints on the page of no printer.
    const float width = g_Paper_width > 0 ? float(g_Paper_width) : 11904.0f;
    const float height = g_Paper_height > 0 ? float(g_Paper_height) : 16834.0f;
    g_Page_left = 0.05f * width;
    g_Page_top = 0.02f * height;
    g_Page_right = 0.95f * width;
    g_Page_bottom = 0.95f * height;
}

void Printer_End()
{
    try {
        auto* preview = platform::Get_print_preview_port();
        if (!g_Print_preview) {
            if (preview) preview->Hide_preview();
            if (g_Print_target && !g_Print_target->EndDoc())
                throw Run_time_error(482, "Printer error");
        } else if (g_Print_target) {
            const QImage page = g_Print_target->Page_image();
            if (preview) preview->Show_page(page);
            g_Print_target->Clear();
        }
    } catch (...) {
        Report_current_exception("Printer_End of Module Module_canoe");
    }
    // The job's title named the printed document only; the program and its later boxes carry
    // their own again, whether the page went to the printer or to the preview.
    platform::App().title = g_App_Title;
}

} // namespace wk
