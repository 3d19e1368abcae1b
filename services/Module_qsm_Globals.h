#pragma once
// Program-wide state. Each value is set by the routine that owns it; readers do not depend on
// start-up having run.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace wk {

namespace platform {
class Print_target;
class Interface_kit;
} // namespace platform
class cls_AVI_handler;
class cDIBSection;

// What the services need of the active capture object (the capture station implements it).
class Active_capture {
public:
    virtual ~Active_capture() = default;
    virtual void Stop_Capture() = 0;
    virtual int32_t Buff_num() = 0;
    // Address of stored frame index (1-based); valid while the capture object keeps it.
    virtual uint8_t* get_Buffaddr(int32_t index) = 0;
    virtual void Let_Goal_offset(int16_t ms) = 0;
};

// One lane's result: lane index 0..15, time in ms, click time in ms, goal field.
struct Lane_Result_Record {
    int16_t Lane = 0;
    int32_t Time = 0;
    int32_t Click_time = 0;
    int16_t Goal_field = 0;
};

// Special lane times.
enum : int32_t {
    k_No_time = 999999999,
    k_Disqualified = 100000001,
    k_Did_not_start = 100000002,
    k_Did_not_finish = 100000003,
};

// The program's version (3.0.8) and edition.
inline constexpr int k_Version_major = WK_VERSION_MAJOR;
inline constexpr int k_Version_minor = WK_VERSION_MINOR;
inline constexpr int k_Version_revision = WK_VERSION_REVISION;
inline constexpr const char* k_Edition_text = "Wakeline, Full version";
inline constexpr const char* k_Compile_date = "2010-04-18 11:11";

// Recording objects and capture.
extern std::shared_ptr<cls_AVI_handler> g_Recording;
extern std::shared_ptr<Active_capture> g_Capture;
extern bool g_Capture_running;
extern std::array<int32_t, 5> g_File_Kind;

// Start-up.
extern bool g_Compiled;
extern bool g_Exiting;
extern bool g_Emergency_stop;
extern int32_t g_Start_tick;
extern std::string g_AppUserData;
extern std::string g_Edition_text;
extern std::string g_Version_text;
extern std::string g_Computer_name;
extern std::string Ini_file_path;
extern std::string g_Data_folder;
extern std::string g_App_Title;
extern std::string g_Marathon_csv;
extern std::string g_Marathon_xml;
extern std::string g_Marathon_results_xml;
extern int32_t g_Timing_correction;
extern std::string g_DV_Codec;
extern bool g_Taskbar_hidden;
extern std::shared_ptr<platform::Interface_kit> g_Interface_kit;
extern int16_t g_Printer_count;
extern int32_t g_Paper_width;
extern int32_t g_Paper_height;

// Printing: preview on or off, and where the page is drawn (printer or preview page).
extern bool g_Print_preview;
extern std::shared_ptr<platform::Print_target> g_Print_target;

// Recording and viewer.
extern int32_t g_DV_Extra_Offset;
extern std::string g_Event_name;
extern int16_t g_Run_mode;
extern std::shared_ptr<cDIBSection> g_Frame_DIB;

// The open heat's lanes: the lane count bounds Find_Lane_Index; the two lane tables, 1-based
// (element 0 unused).
extern int32_t g_Lanes_count;
extern std::array<Lane_Result_Record, 17> Lane_all_Heats_Array;
extern std::array<Lane_Result_Record, 17> Lane_Active_Heat_Array;

} // namespace wk
