#pragma once
// The startup window: initialisation, the codec check, and the choice between viewing
// recordings and capturing.
#include "platform/Form_window.h"

#include <array>

class QLabel;
class QGroupBox;
class QRadioButton;
class QPushButton;
class QMenuBar;
class QMenu;
class QAction;

namespace wk {

class Form_Wakeline_Full_Startup final : public platform::Form_window {
public:
    Form_Wakeline_Full_Startup();

    QLabel* Label1;
    QGroupBox* Frame_capture_options;
    std::array<QRadioButton*, 3> Option_capture_type;
    QPushButton* Command_go;
    QMenuBar* menu_bar;
    QMenu* menu_form;
    QAction* item_exit;
    QMenu* menu_help;
    QAction* item_about;

    void Form_Load();
    void Option_capture_type_Click(int index);
    void Command_go_Click();
    void item_about_Click();
    void item_exit_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int Selected_option() const;
};

} // namespace wk
