#include "capture/Control_box_panel.h"

#include "capture/Control_box.h"
#include "services/Form_controls.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace wk {

namespace {

const char* const k_Red = "background-color: #FF0000;";
const char* const k_Green = "background-color: #00FF00;";
const char* const k_Button_face = "";

QLabel* Panel_label(QWidget* parent, QGridLayout* grid, const std::string& name, const QString& text, int row, int column,
                    int rows = 1, int columns = 1)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromStdString(name));
    grid->addWidget(l, row, column, rows, columns);
    // A shape that is hidden keeps its place, so that the panel does not jump as inputs change.
    QSizePolicy policy = l->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    l->setSizePolicy(policy);
    return l;
}

} // namespace

Control_box_panel::Control_box_panel(Control_box& box, QWidget* parent) : QGroupBox("Control Box validation", parent), box_(box)
{
    setObjectName("Frame_Control_box");
    auto* grid = new QGridLayout(this);
    Picture_LED = Panel_label(this, grid, "Picture_LED", {}, 0, 0);
    Picture_LED->setFixedSize(40, 40);
    Picture_LED->installEventFilter(this);
    // Each mirrored input is named by its number on the box.
    Label_remote = Panel_label(this, grid, "Label_remote", "Remote start (input 0)", 0, 1, 1, 3);
    const std::array<const char*, 2> toggles{"Arming (input 1)", "Capture (input 5)"};
    for (size_t i = 0; i < 2; ++i) {
        Label_toggle[i] = Panel_label(this, grid, "Label_toggle_" + std::to_string(i), toggles[i], 1, int(i) * 2, 1, 2);
        Shape_on[i] = Panel_label(this, grid, "Shape_on_" + std::to_string(i), "on", 2, int(i) * 2);
        Shape_off[i] = Panel_label(this, grid, "Shape_off_" + std::to_string(i), "off", 2, int(i) * 2 + 1);
    }
    for (size_t i = 0; i < 3; ++i) {
        Shape_Button[i] = Panel_label(this, grid, "Shape_Button_" + std::to_string(i), "   ", 3, int(i));
        Label_fig[i] = Panel_label(this, grid, "Label_fig" + std::to_string(i + 1), QString::number(i + 1), 4, int(i));
    }
    Label_cb_version = Panel_label(this, grid, "Label_cb_version", "Control Box V1", 5, 0);
    Label_serial = Panel_label(this, grid, "Label_serial", {}, 5, 1);
    Label_attached = Panel_label(this, grid, "Label_attached", {}, 5, 2);
    Label_box_problem = Panel_label(this, grid, "Label_box_problem", {}, 6, 0, 1, 3);
    Label_box_problem->setWordWrap(true);
}

void Control_box_panel::Second_version_layout()
{
    Shape_Button[1]->hide();
    Shape_Button[2]->hide();
    Label_cb_version->setText("Control Box V2");
    Label_fig[1]->hide();
    Label_fig[2]->hide();
    Label_fig[0]->setText("Heat start");
}

void Control_box_panel::Display_Control_Box()
{
    const Interface_kit& kit = box_.Kit();
    // An empty serial, before any box has attached, is taken for the second version too.
    if (std::string(k_Second_version_serial).find(box_.Box_serial()) != std::string::npos) Second_version_layout();
    Label_remote->setStyleSheet(kit.Input_state(Control_box::Input_start) ? k_Red : k_Green);
    const std::array<int32_t, 2> toggles{Control_box::Input_arm, Control_box::Input_capture};
    for (size_t i = 0; i < 2; ++i) {
        Shape_on[i]->setVisible(kit.Input_state(toggles[i]));
        Shape_off[i]->setVisible(!kit.Input_state(toggles[i]));
    }
    for (size_t i = 0; i < 3; ++i) {
        const bool on = kit.Input_state(int32_t(Control_box::Input_start_button + i)) ||
                        (i == 1 && box_.Button_2_lit());
        Shape_Button[i]->setStyleSheet(on ? k_Red : k_Green);
    }
    Draw_LED();
    if (kit.Attached()) {
        Label_attached->setText("Box attached");
        Label_serial->setText("Serial: " + QString::number(kit.Serial_number()));
        Label_box_problem->clear();
        return;
    }
    Label_attached->setText("Box not attached");
    Label_serial->clear();
    Label_box_problem->setText(QString::fromStdString(kit.Problem()));
    for (QLabel* shape : Shape_Button) shape->setStyleSheet(k_Button_face);
    Label_remote->setStyleSheet(k_Button_face);
}

void Control_box_panel::Draw_LED()
{
    QPixmap picture(Picture_LED->size());
    picture.fill(palette().window().color());
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(box_.LED_lit() ? QColor(255, 255, 0) : QColor(100, 100, 100));
    const int radius = picture.width() / 3;
    painter.drawEllipse(picture.rect().center(), radius, radius);
    painter.end();
    Picture_LED->setPixmap(picture);
}

bool Control_box_panel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Picture_LED && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
        box_.LED_down(event->type() == QEvent::MouseButtonPress);
        Draw_LED();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace wk
