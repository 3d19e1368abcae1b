// Wakeline3_0: the photo-finish station.
#include "app/Startup_trace.h"
#include "capture/Form_capture_multi_file.h"
#include "comlite/Qt_dispatcher.h"
#include "platform/Av_library.h"
#include "platform/Dv_codec_check.h"
#include "platform/Forms.h"
#include "platform/Key_event_filter.h"
#include "platform/Qt_dialogs.h"
#include "platform/Qt_printer.h"
#include "platform/Screen_saver.h"
#include "results/Form_LCS_preview.h"
#include "results/Form_Wakeline_marathon.h"
#include "results/Frm_Wakeline_Marathon_settime.h"
#include "results/Frm_results.h"
#include "services/Form_Wakeline_Full_Startup.h"
#include "services/Form_calibrate.h"
#include "services/Operator_boxes.h"
#include "services/QSM_error_form.h"
#include "services/frmAbout.h"
#include "viewer/Frm_kanot_2.h"

#include <QApplication>
#include <QMenu>

int main(int argc, char** argv)
{
    wk::Note_main_entered();
    QApplication app(argc, argv);
    wk::Install_startup_trace();
    app.setApplicationName("Wakeline3_0");
    app.setQuitOnLastWindowClosed(false); // the program ends through its own exit
    using namespace wk;
    // The recording to open: what follows the program's name.
    for (int i = 1; i < argc; ++i)
        platform::App().command_line += (i > 1 ? " " : "") + std::string(argv[i]);
    // Objects made through the COM runtime call back on this, the GUI thread.
    com::Install_qt_dispatcher();
    static platform::Qt_dialogs dialogs;
    platform::Install_dialogs(&dialogs);
    // What code below the windows tells the operator comes up in the windows' boxes.
    Install_station_operator(&Operator_boxes_of_windows());
    static platform::Qt_printer_port printers;
    platform::Install_printer_port(&printers);
    platform::Install_key_event_filter();
    Install_error_form();
    Install_print_preview();
    // Registering asks libavcodec, which is otherwise opened only once the first window shows.
    if (!platform::DV_codec_registered()) platform::Register_DV_codec();
    // The viewer fills the results window, made when it is first needed.
    Install_result_rows_maker([]() -> Result_rows* { return &platform::Form_instance<Frm_results>(); });
    // Marathon mode of the viewer: the marathon window and the finish entry, made when first shown.
    Install_marathon_windows();
    platform::Register_window_opener("Form_Wakeline_marathon",
                                     [] { platform::Form_instance<Form_Wakeline_marathon>().show(); });
    platform::Register_window_opener("Frm_kanot_2", [] { platform::Form_instance<Frm_kanot_2>().show(); });
    platform::Register_window_opener("Form_capture_multi_file",
                                     [] { platform::Form_instance<Form_capture_multi_file>().show(); });
    platform::Register_window_opener("frmAbout", [] { Show_About(); });
    platform::Register_window_opener("Form_calibrate", [] { platform::Form_instance<Form_calibrate>().show(); });
    // Ctrl-click in the About window shows the viewer's hidden debug menu.
    Install_debug_menu_revealer([] {
        if (auto* viewer = platform::Form_if_loaded<Frm_kanot_2>()) viewer->menu_debug->menuAction()->setVisible(true);
    });
    // The desktop's screen saver stays off while a recording is open or the capture window shown.
    platform::Install_screen_saver_service(&platform::Session_screen_saver());
    platform::Form_instance<Form_Wakeline_Full_Startup>().show();
    platform::Av_library::Open_in_background(); // while the operator chooses, not before the window
    const int code = app.exec();
    platform::Release_screen_awake();
    return code;
}
