#include "capture/Form_Nocam.h"

#include "services/Form_controls.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace wk {

Form_Nocam::Form_Nocam() : Form_window("Form_Nocam")
{
    setWindowTitle("No camera");
    auto* layout = new QVBoxLayout(this);
    Lbl_Nocam = Add_label(this, layout, "Lbl_Nocam", "Registred Goal Camera not found!");
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    Cmd_Nocam_OK = Add_button(this, buttons, "Cmd_Nocam_OK", "OK");
    Cmd_Nocam_help = Add_button(this, buttons, "Cmd_Nocam_help", "Help");
    connect(Cmd_Nocam_OK, &QPushButton::clicked, this, [this] { Cmd_Nocam_OK_Click(); });
    connect(Cmd_Nocam_help, &QPushButton::clicked, this, [this] { Cmd_Nocam_help_Click(); });
}

bool Form_Nocam::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return Form_window::event(e);
}

void Form_Nocam::Form_Activate()
{
    if (activated_) return;
    activated_ = true;
    Cmd_Nocam_OK->setFocus();
}

void Form_Nocam::Cmd_Nocam_OK_Click() { hide(); }

} // namespace wk
