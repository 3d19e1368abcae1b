#pragma once
// Program-wide state. Each value is set by the routine that owns it; readers do not depend on
// start-up having run.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wk {

namespace platform {
class Print_target;
class Interface_kit;
} // namespace platform
class cls_AVI_handler;
class cDIBSection;
class Cls_lane;
class Cls_memory_status;

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

// A goal line's end points, picture pixels.
struct Goal_line_coords {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const Goal_line_coords&) const = default;
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
// -1 until the printer list has been read (Need_printer).
extern int16_t g_Printer_count;
extern int32_t g_Paper_width;
extern int32_t g_Paper_height;

// Printing: preview on or off, and where the page is drawn (printer or preview page).
extern bool g_Print_preview;
extern std::shared_ptr<platform::Print_target> g_Print_target;
// The job's title, the footer line of every page, and the event logo (its path; whether it is
// loaded and printed instead of the event name).
extern std::string g_Print_title;
extern std::string g_Print_footer;
extern std::string g_Event_logo;
extern bool g_Event_logo_loaded;
// The page head as last printed, in twips: the bottom of the logo block, the file-data box, and
// where a page's own content begins (below both).
extern int32_t Logo_bottom_y;
extern int32_t File_block_top_y;
extern int32_t File_block_bottom_y;
extern int32_t Print_top_y;

// Recording and viewer.
extern int32_t g_DV_Extra_Offset;
extern std::string g_Event_name;
extern int16_t g_Run_mode;
extern std::shared_ptr<cDIBSection> g_Frame_DIB;

extern int32_t g_Key_colour;          // the overlay's transparent colour
extern std::string g_Build_text;
extern bool g_Viewer_activated;
// The print area in twips.
extern float g_Page_left, g_Page_top, g_Page_right, g_Page_bottom;
extern std::shared_ptr<Cls_memory_status> g_Memory_status;

// Where results are exported, and the last file an export wrote.
extern std::string g_Export_folder;
extern std::string g_Export_file;

// Lane marks (g_Lanes[i - 1] is mark i), the goal lines and the display flags shared by the
// viewer and the capture preview.
extern std::vector<std::shared_ptr<Cls_lane>> g_Lanes;
extern int16_t g_Num_lanes;
extern int16_t g_Lanes_in_use;
extern Goal_line_coords g_Goal_line;      // set 1: from the settings, edited by the preview
extern Goal_line_coords g_File_Goal_line; // set 2: the open recording's
extern bool g_Show_Lanes, g_Flip_Lanes, g_Show_Goalline, g_Rotate, g_Lane_Zero, g_Loading_settings;
extern bool g_Lane_marks_shown, g_Goalline_shown, g_Goalline_dimmed;
// Hits and drags on the picture.
extern int16_t g_Hit_Lane_number; // -1 none
extern int16_t g_Active_Lane;     // 1-based position in g_Lanes, 0 none
extern int16_t g_Goal_handle;     // 0 none, 1 or 2 an end of set 1
extern int16_t g_Drag_Lane;       // -1 none
extern float g_Grab_X, g_Grab_Y;
extern int32_t g_Mouse_down_X, g_Mouse_down_Y;

// The capture station's values read elsewhere.
extern int16_t Cls_Capture_Counter;
extern std::string g_Capture_folder;
extern std::string g_Last_captured_file;
// Where the copy command puts the last captured recording (nothing sets it yet).
extern std::string g_Copy_folder;
extern int16_t g_Num_video_devices;
extern bool p_Phidget_Attached;
extern bool g_Show_DV_metadata;

// Puts every value above, and whatever a module remembers from one call to the next, back as the
// program starts. Installed services (dialogs, clock, printer, error view, factories) stay: their
// installers own them.
void Reset_program_state();

} // namespace wk
