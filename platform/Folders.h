#pragma once
// Where the Windows folders of the system live on Linux. All in one place, so that tests can
// move every one of them by setting WAKELINE_HOME.
#include <filesystem>
#include <string>
#include <system_error>

namespace wk::platform {

// $WAKELINE_HOME when set, else $HOME (else the password entry's home).
std::filesystem::path Home_folder();
// The local application-data folder, created on first use: <XDG data home>/Wakeline, or with
// WAKELINE_HOME <home>/.local/share/Wakeline. Empty with ec set when it cannot be had.
std::filesystem::path App_data_folder(std::error_code& ec);
// Where settings, logs and the registry go when the application-data folder cannot be had:
// this user's private folder in the temporary folder (Private_temp_folder). Empty, with problem
// set, when that folder is not this user's own.
std::filesystem::path Fallback_app_data_folder(std::string& problem);
// The XDG data home itself (<home>/.local/share unless XDG_DATA_HOME says otherwise).
std::filesystem::path Xdg_data_home();
// The system's "C:\Wakeline_Data".
std::filesystem::path Data_folder();
std::filesystem::path Temp_folder();
// The running executable and its folder.
std::filesystem::path Program_file();
std::filesystem::path Program_folder();

// Joins a folder and a name the way the system joins with "\": exactly one separator between.
std::string Join_path(const std::string& folder, const std::string& name);

} // namespace wk::platform
