#pragma once
// The calibration window: measures the processor's cycle counter against the millisecond tick.
// Every figure it shows is the counter read as a currency value, that is divided by 10000.
#include "platform/Form_window.h"

#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace wk {

class Form_calibrate final : public platform::Form_window {
public:
    Form_calibrate();

    QPushButton* Cmd_start;
    QPushButton* Cmd_end;
    QPushButton* Cmd_get;
    QLabel* Lbl_CycleCount;
    QLabel* Lbl_cycles_per_second;
    QTimer* Timer1;

    void Form_Load() {}
    void Cmd_start_Click();
    void Cmd_end_Click();
    void Cmd_get_Click();
    void Timer1_Timer();

    // Where the cycles come from (the image library's counter; tests count their own).
    std::function<int64_t()> Cycle_counter;

protected:
    void Form_Unload() override;

private:
    int32_t start_time_ = 0;
    int64_t start_count_ = 0;
};

// A currency value (ten-thousandths) as text: "12345.6789", "-0.5", "200000".
std::string Currency_text(int64_t ten_thousandths);

} // namespace wk
