#pragma once
// Every key of Wakeline.ini that the program reads or writes: its section, what it holds and its
// default, declared here once, and the typed reads and writes the callers use. The bytes on disk
// are those of Write_Ini_Value; a read is Read_Ini_Value with the key's own default.
#include <cstdint>
#include <string>
#include <string_view>

namespace wk {

// Where the default of a missing or empty value comes from: the text given (empty: "N/A"), or
// the home folder, which stands for the system's "C:\".
enum class Ini_default : uint8_t { Text, Home_folder };

// One key. T is what the program holds: std::string as it stands; bool written "True"/"False",
// of which only "True" reads as true; int16_t or int32_t as decimal text, where anything but a
// whole number is a type mismatch and a number beyond T an overflow.
template <class T> struct Ini_key {
    std::string_view section;
    std::string_view key;
    std::string_view default_text;
    Ini_default default_from = Ini_default::Text;
};

// The keys of one section that the caller names (one per window, one per camera).
template <class T> struct Ini_keys_by_name {
    std::string_view section;
    std::string_view default_text;
};

namespace ini {
// clang-format off
//                                                   section         key                   default
inline constexpr Ini_key<int32_t>     Timing_correction {"Settings",   "timingcorrection",   "0"};
inline constexpr Ini_key<int32_t>     Box_serial        {"Settings",   "box_serial",         "0"};
inline constexpr Ini_key<std::string> Capture_type      {"Canoe",      "capture_type",       "single"};
inline constexpr Ini_key<std::string> Event_name        {"Canoe",      "event_name",         "NOEVENT"};
inline constexpr Ini_key<std::string> Lanes             {"Canoe",      "Lanes",              "None"};
inline constexpr Ini_key<int16_t>     Lane_num          {"Canoe",      "Lane_num",           "5"};
inline constexpr Ini_key<std::string> Goalline          {"Canoe",      "Goalline",           "None"};
inline constexpr Ini_key<bool>        Show_lanes        {"Canoe",      "ShowLanes",          "True"};
inline constexpr Ini_key<bool>        Flip_lanes        {"Canoe",      "FlipLanes",          "False"};
inline constexpr Ini_key<bool>        Show_goalline     {"Canoe",      "ShowGoalline",       "True"};
inline constexpr Ini_key<bool>        Rotate            {"Canoe",      "Rotate",             "True"};
inline constexpr Ini_key<bool>        Lane_zero         {"Canoe",      "Lane_Zero",          "False"};
inline constexpr Ini_key<std::string> Export_folder     {"Canoe",      "export_folder",      "", Ini_default::Home_folder};
inline constexpr Ini_key<std::string> Export_format     {"Canoe",      "expformat",          "1"};
inline constexpr Ini_key<std::string> Results_folder    {"Canoe",      "results_folder",     ""};
inline constexpr Ini_key<std::string> Last_dir          {"Canoe",      "last_dir",           ""};
inline constexpr Ini_key<std::string> Event_logo        {"Canoe",      "event_logo",         ""};
inline constexpr Ini_key<std::string> Last_captured_file{"Canoe",      "last_captured_file", ""};
inline constexpr Ini_key<std::string> Capture_folder    {"Canoe",      "save_folder1",       ""};
inline constexpr Ini_key<std::string> Fo_data_folder    {"Canoe",      "fo_data_folder",     "", Ini_default::Home_folder};
inline constexpr Ini_key<std::string> Camera_name       {"Canoe",      "camera",             ""};
inline constexpr Ini_key<std::string> Camera_device     {"Canoe",      "camera_device",      ""};
inline constexpr Ini_keys_by_name<std::string> Window_position{"windowpos",    "0,0"};
inline constexpr Ini_keys_by_name<std::string> Camera_setting {"multicameras", ""};
// clang-format on
} // namespace ini

// The value, or the key's default when it is missing or empty ("N/A" for an empty default).
std::string Read_setting(const Ini_key<std::string>& key);
bool Read_setting(const Ini_key<bool>& key);
// Throw wk::Run_time_error (type mismatch or overflow) for a value that is no such number.
int16_t Read_setting(const Ini_key<int16_t>& key);
int32_t Read_setting(const Ini_key<int32_t>& key);
std::string Read_setting(const Ini_keys_by_name<std::string>& keys, const std::string& name);

// Write_Ini_Value's result: 1 on success, 0 on a failure it has reported.
int16_t Write_setting(const Ini_key<std::string>& key, const std::string& value);
int16_t Write_setting(const Ini_key<bool>& key, bool value);
int16_t Write_setting(const Ini_key<int16_t>& key, int16_t value);
int16_t Write_setting(const Ini_key<int32_t>& key, int32_t value);
int16_t Write_setting(const Ini_keys_by_name<std::string>& keys, const std::string& name, const std::string& value);

// A whole number as the settings store it (blanks around it and a leading "+" allowed), named
// in the error; used for numbers kept inside a text value too.
int64_t Ini_whole_number(const std::string& text, const std::string& name, int64_t lowest, int64_t highest);

} // namespace wk
