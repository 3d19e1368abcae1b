#pragma once
// A window for trying out a time entry: hours, minutes and seconds changed by a chosen step with
// repeating buttons and an up-down control, and a text box whose selection can be set and read.
#include "platform/Form_window.h"

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace wk {

class Frm_test final : public platform::Form_window {
public:
    Frm_test();

    std::array<QLabel*, 3> Lbl_hms;       // hours, minutes, seconds
    std::array<QPushButton*, 2> Cmd_time; // 0 adds the step, 1 takes it away
    QWidget* UpDown1;
    QToolButton* UpDown1_up;
    QToolButton* UpDown1_down;
    QLineEdit* txt_display_time;
    QLineEdit* Txt_start;
    QLineEdit* Txt_length;
    QPushButton* Command1;
    QPushButton* Command2;
    QLabel* Lbl_sel;

    void Form_Load();
    void Update_Time_Display();
    void Lbl_hms_Click(int part);
    // Repeats the step until the button is released, the button is found up although no release
    // came, or the window goes: waits of 200, 150, 100 and then 50 ms between steps.
    void Cmd_time_MouseDown(int index);
    void Cmd_time_MouseUp(int index);
    void UpDown1_UpClick();
    void UpDown1_DownClick();
    void Set_Selection();
    void Command1_Click();
    void Command2_Click();
    // Takes the step from a two-character selection of the time text (its hours, minutes,
    // seconds or hundredths) and keeps the selection.
    void txt_display_time_Select();

    int32_t Time_value() const { return time_ms_; }
    void Let_Time_value(int32_t ms) { time_ms_ = ms; }
    int32_t Step() const { return step_ms_; }
    bool Repeating() const { return repeat_; }

protected:
    void Form_Unload() override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Add_step(int32_t sign);
    int32_t time_ms_ = 0;
    int32_t step_ms_ = 0;
    bool repeat_ = false;
    int32_t repeat_delay_ = 200;
    int sel_start_ = 0, sel_length_ = 0;
};

} // namespace wk
