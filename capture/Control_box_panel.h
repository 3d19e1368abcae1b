#pragma once
// The panel on which the operator checks the control box: the lamp (held down with the mouse it
// lights the box's lamp), the arming switch and the capture button as toggles, the three
// buttons, the remote start signal, and whether a box is attached.
#include <QGroupBox>

#include <array>
#include <string>

class QLabel;

namespace wk {

class Control_box;

class Control_box_panel final : public QGroupBox {
public:
    // The serial number of the box's second version, which has one button only.
    static constexpr const char* k_Second_version_serial = "274071";

    explicit Control_box_panel(Control_box& box, QWidget* parent = nullptr);
    // Shows the box's state as it is now.
    void Display_Control_Box();

    QLabel* Picture_LED = nullptr;
    QLabel* Label_remote = nullptr;
    std::array<QLabel*, 2> Shape_on{}, Shape_off{};
    // The captions of the two toggles, with their input numbers.
    std::array<QLabel*, 2> Label_toggle{};
    std::array<QLabel*, 3> Shape_Button{};
    std::array<QLabel*, 3> Label_fig{};
    QLabel* Label_cb_version = nullptr;
    QLabel* Label_serial = nullptr;
    QLabel* Label_attached = nullptr;
    // Why no box is attached, when the kit can tell.
    QLabel* Label_box_problem = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Draw_LED();
    void Second_version_layout();
    Control_box& box_;
};

} // namespace wk
