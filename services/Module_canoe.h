#pragma once
// Start-up, the one-time initialisation, the codec check, the program exit, stopping captures
// and the end of a print job.
#include "services/Operator_port.h"

#include <string>

namespace wk {

// Runs the initialisation once; later calls return at once.
void Wakeline_Initialization();
void Set_Compiled_Flag();
// Forgets that initialisation ran (tests only).
void Reset_Initialization_for_tests();
void Load_Event_Name();
// Asks for the station's event name and stores it (memory and settings). Cancel keeps the old
// name; an empty answer typed on purpose is kept. True when a new name was stored.
bool Enter_Event_name(Operator_port& port);
// Fills g_DV_Codec from the registered DV codecs ("CDVC" wins over "dvsd"), or ends the program.
void Eval_Codecs();
// The driver registered for a video codec, "" when none.
std::string Get_Codec_dll(const std::string& fourcc);
bool Verify_Phidget();
// Asks through the calling window's port, stops the capture and unloads every window. A
// cancelled exit leaves everything running.
void Wakeline_exit(Operator_port& port);
void Stop_Active_Capture();
void Stop_All_Captures();
void Check_Printer();
// What printing needs of the printer: the list and page read as Check_Printer reads them, unless
// they have been (g_Printer_count is -1 until then), and the page margins from the page. Printing
// asks for them, not start-up: asking the print system costs tens of milliseconds or more.
void Need_printer();
// Sends the page to the printer, or shows it in the preview window.
void Printer_End();

// The registry key and value names of the video codecs.
inline constexpr const char* k_Drivers32_key = "Software\\Microsoft\\Windows NT\\CurrentVersion\\DRIVERS32";

} // namespace wk
