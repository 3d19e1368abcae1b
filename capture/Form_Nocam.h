#pragma once
// The notice that the registered goal camera was not found.
#include "platform/Form_window.h"

class QLabel;
class QPushButton;

namespace wk {

class Form_Nocam final : public platform::Form_window {
public:
    Form_Nocam();

    QLabel* Lbl_Nocam;
    QPushButton* Cmd_Nocam_OK;
    QPushButton* Cmd_Nocam_help;

    // The first activation gives OK the focus; later ones leave it where the user put it.
    void Form_Activate();
    void Cmd_Nocam_OK_Click();
    void Cmd_Nocam_help_Click() {}

protected:
    bool event(QEvent* e) override;

private:
    bool activated_ = false;
};

} // namespace wk
