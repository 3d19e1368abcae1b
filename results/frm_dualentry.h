#pragma once
// The duplicate dialog: the competitor already has a finish in this heat. The operator can look
// at the earlier finish and back at this one in the viewer, write this one over the earlier, or
// leave both as they are. It blocks the other windows while it is up, without a local event loop.
#include "platform/Form_window.h"

#include <QPointer>

class QLabel;
class QPushButton;

namespace wk {

class Frm_Wakeline_Marathon_settime;

class frm_dualentry final : public platform::Form_window {
public:
    frm_dualentry();

    QLabel* Label_errormsg = nullptr;
    QPushButton* Command_show_old = nullptr;
    QPushButton* Command_show_current = nullptr;
    QPushButton* Override = nullptr;
    QPushButton* CancelButton = nullptr;

    // Shows the dialog for the duplicate the finish entry has just found.
    void Show_duplicate(Frm_Wakeline_Marathon_settime& entry);
    void Command_show_old_Click();
    void Command_show_current_Click();
    void Override_Click();
    void CancelButton_Click();
    // The close box.
    void Form_QueryUnload();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<Frm_Wakeline_Marathon_settime> entry_;
};

} // namespace wk
