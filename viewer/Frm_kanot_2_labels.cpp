// The viewer's labels that answer clicks: the lane-result box beside a lane mark, the frame
// number's caption, the window's own background; and the heat-time labels marathon mode greys.
#include "viewer/Frm_kanot_2.h"

#include "platform/Picture_box.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace wk {
namespace {

constexpr int k_Box_border = 3; // room around the result text that still belongs to the box
constexpr int k_Mark_gap = 14;  // from a mark's centre to the box: clear of its 25-pixel square

int Button_of(const QMouseEvent* e)
{
    switch (e->button()) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int Shift_of(const QMouseEvent* e)
{
    const Qt::KeyboardModifiers m = e->modifiers();
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

// Whether the goal line, widened by margin, crosses the rectangle.
bool Crosses_goal_line(const QRect& box, const Goal_line_coords& g, int margin)
{
    const QRectF r = QRectF(box).adjusted(-margin, -margin, margin, margin);
    const QLineF line(g.x1, g.y1, g.x2, g.y2);
    if (r.contains(line.p1()) || r.contains(line.p2())) return true;
    const QLineF edges[4] = {{r.topLeft(), r.topRight()}, {r.topRight(), r.bottomRight()},
                             {r.bottomRight(), r.bottomLeft()}, {r.bottomLeft(), r.topLeft()}};
    for (const QLineF& edge : edges)
        if (line.intersects(edge, nullptr) == QLineF::BoundedIntersection) return true;
    return false;
}

// Where the result box goes: off the lane's own row (above its mark, below where there is no
// room), clear of the goal line, as near the mark as that allows, always inside the picture.
// Beside the mark on its row it would lie over the boat whose finish it tells.
QPoint Result_box_place(const Cls_lane& mark, const QSize& box, const QSize& picture, const Goal_line_coords& goal)
{
    const Cls_lane::Box m = mark.Mark_box();
    const int w = box.width(), h = box.height();
    const int right = std::max(0, picture.width() - w), bottom = std::max(0, picture.height() - h);
    const QRect lane_row(0, m.top - k_Mark_gap / 2, picture.width(), m.bottom - m.top + k_Mark_gap);
    // Where the goal line crosses the lane's row.
    const int dy = goal.y2 - goal.y1;
    const int goal_x = dy == 0 ? mark.X() : goal.x1 + (goal.x2 - goal.x1) * (mark.Y() - goal.y1) / dy;
    std::vector<int> ys;
    if (m.top - k_Mark_gap - h >= 0) ys.push_back(m.top - k_Mark_gap - h);
    if (m.bottom + k_Mark_gap + h <= picture.height()) ys.push_back(m.bottom + k_Mark_gap);
    const std::vector<int> xs = {mark.X() - w / 2, goal_x - k_Mark_gap - w, goal_x + k_Mark_gap, 0, right};
    std::optional<QPoint> best;
    for (const int y : ys) {
        for (const int x0 : xs) {
            const QRect r(std::clamp(x0, 0, right), std::clamp(y, 0, bottom), w, h);
            if (r.intersects(lane_row) || Crosses_goal_line(r, goal, 2)) continue;
            const auto distance = [&](const QPoint& p) { return std::abs(p.x() + w / 2 - mark.X()); };
            if (!best || distance(r.topLeft()) < distance(*best)) best = r.topLeft();
        }
        if (best) return *best;
    }
    // A picture too small for any such place: above or below the mark all the same.
    const int y = m.top - k_Mark_gap - h >= 0 ? m.top - k_Mark_gap - h : m.bottom + k_Mark_gap;
    return {std::clamp(mark.X() - w / 2, 0, right), std::clamp(y, 0, bottom)};
}

const Cls_lane* Mark_of(int16_t lane)
{
    for (const auto& mark : g_Lanes)
        if (mark && mark->Lane_number() == lane) return mark.get();
    return nullptr;
}

} // namespace

bool Frm_kanot_2::Label_event(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    if (watched == Lbl_lane_result && type == QEvent::MouseButtonPress) {
        Lbl_lane_result_MouseDown(Button_of(mouse), Shift_of(mouse), float(at.x()), float(at.y()));
        return true; // the press is the label's, not the box's underneath
    }
    // A click: the left button let go over the control it was pressed on.
    if (type != QEvent::MouseButtonRelease || mouse->button() != Qt::LeftButton) return false;
    QWidget* background = Picture_large->parentWidget();
    if (watched == Label3 && Label3->rect().contains(at)) Label3_Click();
    // Releases over controls that take no clicks come up to the background too: only its own count.
    else if (watched == background && background->rect().contains(at) && !background->childAt(at)) Form_Click();
    return false;
}

void Frm_kanot_2::Form_Click() { SliderPlay_Focus(); }

void Frm_kanot_2::Label3_Click()
{
    if (Ctrl_Key_Down()) item_misbehave->trigger();
}

std::array<QLabel*, 6> Frm_kanot_2::Heat_time_labels() const
{
    return {Lbl_elapsed_time, Lbl_delta_time, Label5, Label6, lbl_starttime, Label_start_time};
}

// ---- The lane-result box ----

void Frm_kanot_2::Display_Lane_Result(int16_t lane)
{
    try {
        const Cls_lane* mark = Mark_of(lane);
        const std::string text = Recording_open() && mark && Marks_in_picture() ? results_.Lane_result_text(lane) : std::string();
        if (text.empty()) {
            Pict_lane_result->hide();
            lane_result_lane_ = -1;
            return;
        }
        Lbl_lane_result->setText(QString::fromStdString(text));
        const QSize size = Lbl_lane_result->sizeHint();
        Lbl_lane_result->setGeometry(k_Box_border, k_Box_border, size.width(), size.height());
        const int w = size.width() + 2 * k_Box_border, h = size.height() + 2 * k_Box_border;
        Pict_lane_result->Set_picture_size(w, h);
        Pict_lane_result->Cls();
        {
            QPainter painter(&Pict_lane_result->Image());
            painter.setPen(Qt::black);
            painter.drawRect(0, 0, w - 1, h - 1);
        }
        const QSize picture(Picture_large->Scale_width(), Picture_large->Scale_height());
        const Goal_line_coords& goal = g_Run_mode == 1 ? g_Goal_line : g_File_Goal_line;
        // Placed among the picture's pixels, which a 16:9 picture shows narrower or lower.
        const double sx = double(Picture_large->width()) / picture.width();
        const double sy = double(Picture_large->height()) / picture.height();
        const QPoint at = Result_box_place(*mark, QSize(int(std::ceil(w / sx)), int(std::ceil(h / sy))), picture, goal);
        Pict_lane_result->move(Picture_large->pos() + QPoint(int(at.x() * sx), int(at.y() * sy)));
        Pict_lane_result->raise();
        Pict_lane_result->show();
        Pict_lane_result->Refresh();
        lane_result_lane_ = lane;
    } catch (...) {
        Report_current_exception("Display_Lane_Result of Form frm_kanot_2");
    }
}

// The lane is the one the box shows: the hit of the press that opened it ended with its release.
void Frm_kanot_2::Lbl_lane_result_MouseDown(int, int, float, float)
{
    try {
        if (!Recording_open() || lane_result_lane_ < 0) return;
        const int16_t index = results_.Find_Lane_Index(lane_result_lane_);
        const int16_t field = index > 0 ? results_.Go_to_Goal_field(index) : 0;
        if (field <= 0) return; // no finish was clicked for this lane: nowhere to go
        Slider_play->setValue(field);
        Slider_play_Scroll();
        Set_Focus();
    } catch (...) {
        Report_current_exception("Lbl_lane_result_MouseDown of Form frm_kanot_2");
    }
}

// The box says what the rows say: after every change of the results it is filled again.
void Frm_kanot_2::Lane_results_filled()
{
    if (lane_result_lane_ >= 0) Display_Lane_Result(lane_result_lane_);
}

} // namespace wk
