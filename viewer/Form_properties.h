#pragma once
// The recording's properties as text, with OK and Print.
#include "platform/Form_window.h"

class QPlainTextEdit;
class QPushButton;

namespace wk {

class Form_properties final : public platform::Form_window {
public:
    Form_properties();

    QPlainTextEdit* Text_properties = nullptr;
    QPushButton* Command_OK = nullptr;
    QPushButton* Command_Print = nullptr;

    void Command_OK_Click();
    // Prints the text on the printer itself (not through the preview); false when it could not.
    bool Command_Print_Click();
};

} // namespace wk
