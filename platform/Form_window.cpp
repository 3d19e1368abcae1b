#include "platform/Form_window.h"

#include <QCloseEvent>

namespace wk::platform {

Form_window::Form_window(const std::string& name, QWidget* parent) : QWidget(parent), name_(name)
{
    setObjectName(QString::fromStdString(name));
    setAttribute(Qt::WA_DeleteOnClose, false);
    Register_form(this);
}

Form_window::~Form_window() { Unregister_form(this); }

void Form_window::Unload_form()
{
    if (unloaded_) return;
    unloaded_ = true;
    Form_Unload();
    Unregister_form(this);
    hide();
    deleteLater();
    // The program ends when its last window has gone.
    if (Loaded_forms().empty()) Quit_event_loop();
}

void Form_window::closeEvent(QCloseEvent* event)
{
    event->accept();
    Unload_form();
}

} // namespace wk::platform
