#include "services/Frm_test.h"

#include "platform/Key_state.h"
#include "services/Form_controls.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace wk {
namespace {

constexpr int32_t k_Day_ms = 86400000;
constexpr std::array<int32_t, 3> k_Part_steps{3600000, 60000, 1000};

} // namespace

Frm_test::Frm_test() : Form_window("Frm_test")
{
    setWindowTitle("Test");
    auto* layout = new QGridLayout(this);
    auto* hms = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        Lbl_hms[size_t(i)] = Named(new QLabel("00", this), ("Lbl_hms_" + std::to_string(i)).c_str());
        Lbl_hms[size_t(i)]->setAutoFillBackground(true);
        Lbl_hms[size_t(i)]->installEventFilter(this);
        hms->addWidget(Lbl_hms[size_t(i)]);
    }
    layout->addLayout(hms, 0, 0);
    Cmd_time[0] = Named(new QPushButton("+", this), "Cmd_time_0");
    Cmd_time[1] = Named(new QPushButton("-", this), "Cmd_time_1");
    layout->addWidget(Cmd_time[0], 0, 1);
    layout->addWidget(Cmd_time[1], 0, 2);
    for (int i = 0; i < 2; ++i) {
        connect(Cmd_time[size_t(i)], &QPushButton::pressed, this, [this, i] { Cmd_time_MouseDown(i); });
        connect(Cmd_time[size_t(i)], &QPushButton::released, this, [this, i] { Cmd_time_MouseUp(i); });
    }
    txt_display_time = Named(new QLineEdit(this), "txt_display_time");
    layout->addWidget(txt_display_time, 1, 0);
    UpDown1 = Named(new QWidget(this), "UpDown1");
    auto* arrows = new QVBoxLayout(UpDown1);
    arrows->setContentsMargins(0, 0, 0, 0);
    UpDown1_up = Named(new QToolButton(UpDown1), "UpDown1_up");
    UpDown1_up->setArrowType(Qt::UpArrow);
    UpDown1_down = Named(new QToolButton(UpDown1), "UpDown1_down");
    UpDown1_down->setArrowType(Qt::DownArrow);
    arrows->addWidget(UpDown1_up);
    arrows->addWidget(UpDown1_down);
    layout->addWidget(UpDown1, 1, 1);
    Txt_start = Named(new QLineEdit(this), "Txt_start");
    Txt_length = Named(new QLineEdit(this), "Txt_length");
    Command1 = Named(new QPushButton("Select", this), "Command1");
    Command2 = Named(new QPushButton("Show selection", this), "Command2");
    Lbl_sel = Named(new QLabel(this), "Lbl_sel");
    layout->addWidget(Txt_start, 2, 0);
    layout->addWidget(Txt_length, 2, 1);
    layout->addWidget(Command1, 2, 2);
    layout->addWidget(Command2, 3, 2);
    layout->addWidget(Lbl_sel, 3, 0, 1, 2);
    connect(UpDown1_up, &QToolButton::clicked, this, [this] { UpDown1_UpClick(); });
    connect(UpDown1_down, &QToolButton::clicked, this, [this] { UpDown1_DownClick(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(txt_display_time, &QLineEdit::selectionChanged, this, [this] { txt_display_time_Select(); });
    Form_Load();
}

void Frm_test::Form_Load()
{
    time_ms_ = Get_Local_Mill_Time();
    Update_Time_Display();
}

void Frm_test::Update_Time_Display()
{
    const char* parts[3] = {"h", "m", "s"};
    for (size_t i = 0; i < 3; ++i)
        Lbl_hms[i]->setText(QString("%1").arg(Get_Time_Part(parts[i], time_ms_), 2, 10, QChar('0')));
}

void Frm_test::Lbl_hms_Click(int part)
{
    if (part < 0 || part > 2) return;
    for (int i = 0; i < 3; ++i)
        Lbl_hms[size_t(i)]->setBackgroundRole(i == part ? QPalette::Highlight : QPalette::Window);
    step_ms_ = k_Part_steps[size_t(part)];
}

// The value is a time of day: stepping past midnight comes round to the other end.
void Frm_test::Add_step(int32_t sign)
{
    const int64_t next = (int64_t(time_ms_) + int64_t(sign) * step_ms_) % k_Day_ms;
    time_ms_ = int32_t(next < 0 ? next + k_Day_ms : next);
}

void Frm_test::Cmd_time_MouseDown(int index)
{
    if (repeat_) return; // a press while repeating changes nothing
    const QPointer<Frm_test> alive(this);
    try {
        repeat_ = true;
        repeat_delay_ = 200;
        while (repeat_) {
            Add_step(index != 0 ? -1 : 1);
            Update_Time_Display();
            Wait_ms(repeat_delay_, true); // the release arrives here
            if (!alive) return;           // and the window may have gone with the events
            repeat_delay_ = std::max(repeat_delay_ - 50, 50);
            // A release that never came (the window lost the mouse) shows as a button that is up.
            if (!platform::Key_is_down(platform::VK_LBUTTON) || Is_unloaded() || !isVisible()) repeat_ = false;
        }
    } catch (...) {
        if (alive) repeat_ = false;
        Report_current_exception("Cmd_time_MouseDown of Form Frm_test");
    }
}

void Frm_test::Cmd_time_MouseUp(int) { repeat_ = false; }

void Frm_test::UpDown1_UpClick()
{
    Add_step(1);
    txt_display_time->setText(QString::fromStdString(Display_Mill_Time(time_ms_, false)));
    Set_Selection();
}

void Frm_test::UpDown1_DownClick()
{
    Add_step(-1);
    txt_display_time->setText(QString::fromStdString(Display_Mill_Time(time_ms_, false)));
    Set_Selection();
}

void Frm_test::Set_Selection() { txt_display_time->setSelection(sel_start_, sel_length_); }

void Frm_test::Command1_Click()
{
    txt_display_time->setSelection(Txt_start->text().toInt(), Txt_length->text().toInt());
}

void Frm_test::Command2_Click()
{
    const int start =
        txt_display_time->hasSelectedText() ? txt_display_time->selectionStart() : txt_display_time->cursorPosition();
    const auto length = txt_display_time->selectedText().size();
    Lbl_sel->setText(QString("Start = %1 length = %2").arg(start).arg(length));
}

void Frm_test::txt_display_time_Select()
{
    const int start = txt_display_time->selectionStart();
    const auto length = txt_display_time->selectedText().size();
    if (length != 2 || start < 0 || start > 10) return;
    // The text is a sign place, then hours and ":" when there are any, then "mm:ss,hh".
    const auto from_end = txt_display_time->text().size() - start;
    int32_t step = 0;
    if (from_end == 2) step = 10;
    else if (from_end == 5) step = 1000;
    else if (from_end == 8) step = 60000;
    else if (from_end >= 11) step = 3600000;
    if (step == 0) return;
    step_ms_ = step;
    sel_start_ = start;
    sel_length_ = int(length);
}

void Frm_test::Form_Unload() { repeat_ = false; }

void Frm_test::hideEvent(QHideEvent* event)
{
    repeat_ = false;
    Form_window::hideEvent(event);
}

bool Frm_test::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease)
        for (int i = 0; i < 3; ++i)
            if (watched == Lbl_hms[size_t(i)]) Lbl_hms_Click(i);
    return Form_window::eventFilter(watched, event);
}

} // namespace wk
