#include "results/frm_dualentry.h"

#include "platform/Controls.h"
#include "results/Frm_Wakeline_Marathon_settime.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace wk {
namespace {

QPushButton* Make_button(QWidget* parent, const char* name, const char* caption, const char* tip, QRect where)
{
    QPushButton* b = platform::Make_button(parent, name, caption, where);
    b->setToolTip(tip);
    return b;
}

} // namespace

frm_dualentry::frm_dualentry() : Form_window("frm_dualentry")
{
    setWindowTitle("Duplicate entry");
    setWindowModality(Qt::ApplicationModal);
    Label_errormsg = platform::Make_label(
        this, "Label_errormsg", "This Heat/Competitor has already been assigned a time!", QRect(10, 10, 380, 24));
    Command_show_old = Make_button(this, "Command_show_old", "Show earlier entry",
                                   "Shows the video frame for the earlier entry", QRect(10, 44, 185, 32));
    Command_show_current = Make_button(this, "Command_show_current", "Show current position",
                                       "Shows the current video frame", QRect(205, 44, 185, 32));
    Override = Make_button(this, "Override", "Override old entry", "Replace earlier entry with this one",
                           QRect(10, 86, 185, 32));
    CancelButton = Make_button(this, "CancelButton", "Do nothing", "", QRect(205, 86, 185, 32));
    resize(400, 128);
    connect(Command_show_old, &QPushButton::clicked, this, [this] { Command_show_old_Click(); });
    connect(Command_show_current, &QPushButton::clicked, this, [this] { Command_show_current_Click(); });
    connect(Override, &QPushButton::clicked, this, [this] { Override_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
}

void frm_dualentry::Show_duplicate(Frm_Wakeline_Marathon_settime& entry)
{
    entry_ = &entry;
    Command_show_old->setEnabled(true);
    Command_show_current->setEnabled(false);
    show();
    raise();
}

void frm_dualentry::Command_show_old_Click()
{
    Command_show_old->setEnabled(false);
    Command_show_current->setEnabled(true);
    if (entry_) entry_->See_Previous();
}

void frm_dualentry::Command_show_current_Click()
{
    Command_show_old->setEnabled(true);
    Command_show_current->setEnabled(false);
    if (entry_) entry_->See_Current();
}

void frm_dualentry::Override_Click()
{
    if (entry_) entry_->Override_Result();
    hide();
}

void frm_dualentry::CancelButton_Click() { hide(); }

// The viewer goes back to this finish only when it was sent to the earlier one.
void frm_dualentry::Form_QueryUnload()
{
    if (g_Exiting || !entry_) return;
    if (Command_show_current->isEnabled()) entry_->See_Current();
}

void frm_dualentry::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Form_QueryUnload();
    hide();
}

} // namespace wk
