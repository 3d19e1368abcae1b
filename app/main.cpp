// Wakeline3_0: the photo-finish station.
#include "platform/Forms.h"
#include "platform/Key_event_filter.h"
#include "platform/Qt_dialogs.h"
#include "services/Module_canoe.h"
#include "services/QSM_error_form.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName("Wakeline3_0");
    static wk::platform::Qt_dialogs dialogs;
    wk::platform::Install_dialogs(&dialogs);
    wk::platform::Install_key_event_filter();
    wk::Install_error_form();
    wk::Wakeline_Initialization();
    return 0;
}
