#include "services/Form_calibrate.h"

#include "platform/Clock.h"
#include "platform/Image_library.h"
#include "services/Form_controls.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace wk {

std::string Currency_text(int64_t ten_thousandths)
{
    const bool negative = ten_thousandths < 0;
    const uint64_t magnitude = negative ? 0 - uint64_t(ten_thousandths) : uint64_t(ten_thousandths);
    std::string text(negative ? "-" : "");
    text += std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return fraction.empty() ? text : text + "." + fraction;
}

Form_calibrate::Form_calibrate() : Form_window("Form_calibrate"), Cycle_counter(platform::GetCycleCount)
{
    setWindowTitle("Calibrate");
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    Cmd_start = Add_button(this, buttons, "Cmd_start", "Start");
    Cmd_end = Add_button(this, buttons, "Cmd_end", "End");
    Cmd_get = Add_button(this, buttons, "Cmd_get", "Get");
    layout->addLayout(buttons);
    Lbl_CycleCount = Add_label(this, layout, "Lbl_CycleCount", "Label1");
    Lbl_cycles_per_second = Add_label(this, layout, "Lbl_cycles_per_second", "Label1");
    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    connect(Cmd_start, &QPushButton::clicked, this, [this] { Cmd_start_Click(); });
    connect(Cmd_end, &QPushButton::clicked, this, [this] { Cmd_end_Click(); });
    connect(Cmd_get, &QPushButton::clicked, this, [this] { Cmd_get_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    resize(320, 120);
    Form_Load();
}

void Form_calibrate::Cmd_start_Click()
{
    Timer1->start();
    start_count_ = Cycle_counter();
    start_time_ = Get_Tick();
}

void Form_calibrate::Cmd_end_Click() { Timer1->stop(); }

void Form_calibrate::Cmd_get_Click() { Lbl_CycleCount->setText(QString::fromStdString(Currency_text(Cycle_counter()))); }

void Form_calibrate::Timer1_Timer()
{
    try {
        // The rate over the exact time passed: a tick that comes early (or a clock that has not
        // moved) never divides by a rounded-down zero.
        const int32_t elapsed_ms = platform::Tick_difference(Get_Tick(), start_time_);
        if (elapsed_ms <= 0) return;
        const double cycles = double(int64_t(uint64_t(Cycle_counter()) - uint64_t(start_count_))) / 10000.0;
        const double per_second = cycles / (double(elapsed_ms) / 1000.0);
        Lbl_cycles_per_second->setText(QString::fromStdString(trace_detail::Number_text(std::nearbyint(per_second))));
    } catch (...) {
        Timer1->stop();
        Report_current_exception("Timer1_Timer of Form Form_calibrate");
    }
}

void Form_calibrate::Form_Unload() { Timer1->stop(); }

} // namespace wk
