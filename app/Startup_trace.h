#pragma once
// Start-up timing for people who tune it: with WK_STARTUP_TRACE set, the program writes to
// standard error when `main` began and how long the viewer took from the release of the start
// window's Go button to its first painted picture of an open recording. Without the variable
// nothing is installed.
namespace wk {

// Called first thing in main.
void Note_main_entered();
// Called once the application object is made.
void Install_startup_trace();

} // namespace wk
