#include "viewer/Finish_strip_pane.h"

#include "recording/cls_AVI_handler.h"
#include "platform/Screen_fit.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "viewer/Finish_strip_host.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace wk {
namespace {

constexpr std::array<double, 8> k_Zoom_levels{0.125, 0.25, 0.5, 1, 2, 4, 8, 16};
constexpr int k_Scroll_height = 16, k_Row_height = 26;
constexpr int k_Follow_ms = 100;

} // namespace

Finish_strip_pane::Finish_strip_pane(Finish_strip_host& host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host)
{
    setObjectName("Finish_strip");
    setWindowTitle("Finish strip");
    // Keys pressed over the strip step the viewer: the strip itself takes none from the mouse.
    setFocusPolicy(Qt::NoFocus);
    Build_controls();
    timer_ = new QTimer(this);
    timer_->setInterval(k_Follow_ms);
    connect(timer_, &QTimer::timeout, this, [this] { Follow(); });
    timer_->start();
    resize(900, 400);
}

Finish_strip_pane::~Finish_strip_pane() = default;

void Finish_strip_pane::Build_controls()
{
    Scroll_strip = new QScrollBar(Qt::Horizontal, this);
    Scroll_strip->setObjectName("Scroll_strip");
    Scroll_strip->setFocusPolicy(Qt::NoFocus);
    connect(Scroll_strip, &QScrollBar::valueChanged, this, [this] { update(); });
    const auto button = [this](const char* name, const char* text, int steps) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, steps] { Zoom(steps); });
        return b;
    };
    Cmd_zoom_out = button("Cmd_zoom_out", "-", -1);
    Cmd_zoom_in = button("Cmd_zoom_in", "+", 1);
    Progress_strip = new QProgressBar(this);
    Progress_strip->setObjectName("Progress_strip");
    Progress_strip->setRange(0, 100);
    Lbl_strip = new QLabel(this);
    Lbl_strip->setObjectName("Lbl_strip");
}

void Finish_strip_pane::Show_clear_of(const QRect& picture, const QRect& controls, const QRect& viewer,
                                      const QRect& menus)
{
    const QRect room = platform::Window_room(menus);
    // As wide as the viewer and as high as the room under it allows, within reason; then placed
    // where it covers neither the picture nor, where there is room, the viewer.
    const int w = std::min(room.width(), std::max(viewer.width(), 800));
    const int h = std::clamp(room.bottom() - viewer.bottom() - 40, 260, std::max(260, room.height() / 2));
    resize(w, h);
    platform::Place_clear_of(this, {picture, controls}, {viewer}, menus);
    show();
    timer_->start();
    Follow();
}

// ---- The strip ----

bool Finish_strip_pane::Strip_is_current(const Finish_strip_line::Setup& line) const
{
    return strip_ && strip_line_ == line && strip_path_ == g_Recording->File_name() &&
           strip_frames_ == g_Recording->num_frames() && strip_stream_ == host_.Shown_stream();
}

Finish_strip* Finish_strip_pane::Started_strip() { return Started_strip(host_.Strip_goal_line()); }

Finish_strip* Finish_strip_pane::Started_strip(const std::optional<Finish_strip_line::Setup>& line)
{
    if (!line || !g_Recording || !g_Recording->File_open()) {
        strip_.reset();
        return nullptr;
    }
    if (Strip_is_current(*line)) return strip_.get();
    strip_.reset(); // its workers stop before the new ones start
    strip_line_ = *line;
    strip_path_ = g_Recording->File_name();
    strip_frames_ = g_Recording->num_frames();
    strip_stream_ = host_.Shown_stream();
    strip_ = std::make_shared<Finish_strip>(Strip_source_of(*g_Recording, strip_stream_), *line);
    followed_columns_ = -1;
    Update_scroll_range();
    return strip_.get();
}

void Finish_strip_pane::Follow()
{
    try {
        Follow_recording();
    } catch (...) {
        // Said once: the strip is not tried again for this recording until it is asked for.
        strip_.reset();
        timer_->stop();
        Report_current_exception("Follow of Finish_strip_pane");
    }
}

void Finish_strip_pane::Follow_recording()
{
    const std::optional<Finish_strip_line::Setup> line = host_.Strip_goal_line();
    const bool open = line && g_Recording && g_Recording->File_open();
    if (!open && strip_) strip_.reset();
    // Built while the window is open; kept while hidden, and followed again when it comes back.
    if (open && (isVisible() || strip_) && !Strip_is_current(*line)) Started_strip(line);
    Show_progress(line.has_value());
    // Repainted when more is ready or the marks moved: a paint of part of the window (a control
    // beside the strip) does not count as having shown them.
    const int32_t ready = strip_ ? strip_->Ready_columns() : -1;
    std::vector<int32_t> marks = Marks_signature();
    if (ready != followed_columns_ || marks != followed_marks_) update();
    followed_columns_ = ready;
    followed_marks_ = std::move(marks);
}

void Finish_strip_pane::Show_progress(bool has_line)
{
    if (!strip_) {
        Progress_strip->setValue(0);
        Lbl_strip->setText(has_line ? "" : "No recording with a goal line is open.");
        return;
    }
    const int32_t frames = std::max(strip_->Frames(), 1);
    Progress_strip->setValue(int(int64_t(strip_->Frames_done()) * 100 / frames));
    Progress_strip->setVisible(!strip_->Whole());
    if (strip_->Columns() == 0) {
        Lbl_strip->setText("There is no memory for the finish strip of this recording.");
        return;
    }
    QString text = QString("%1 fields, %2 ms each").arg(strip_->Columns()).arg(strip_->Ms_per_field(), 0, 'f', 2);
    if (strip_->Unreadable_frames() > 0) text += QString(", %1 frames unreadable").arg(strip_->Unreadable_frames());
    Lbl_strip->setText(text);
}

std::vector<int32_t> Finish_strip_pane::Marks_signature() const
{
    std::vector<int32_t> v;
    for (const auto& m : Marks().places) v.insert(v.end(), {m.place, m.column, m.row});
    return v;
}

Strip_marks Finish_strip_pane::Marks() const { return strip_ ? Strip_marks_of(strip_->Line()) : Strip_marks{}; }

// ---- Zoom and scroll ----

double Finish_strip_pane::Column_pixels() const { return k_Zoom_levels[size_t(zoom_)]; }

QRect Finish_strip_pane::Strip_area() const
{
    return {0, 0, width(), std::max(1, height() - k_Scroll_height - k_Row_height)};
}

int Finish_strip_pane::X_of(int32_t column) const
{
    return int(std::floor((double(column - Scroll_strip->value()) + 0.5) * Column_pixels()));
}

int Finish_strip_pane::Y_of(int32_t row) const
{
    const int rows = strip_ ? strip_->Line().Samples() : 1;
    return int(std::floor((double(row) + 0.5) * Strip_area().height() / rows));
}

void Finish_strip_pane::Update_scroll_range()
{
    const int32_t columns = strip_ ? strip_->Columns() : 0;
    const auto visible = int32_t(Strip_area().width() / Column_pixels());
    Scroll_strip->setRange(0, std::max(0, columns - visible));
    Scroll_strip->setPageStep(std::max(1, visible));
}

void Finish_strip_pane::Zoom(int steps)
{
    // The shown field stays where it was in the window.
    const int32_t column = host_.Shown_field() - 1;
    const int x = X_of(column);
    zoom_ = std::clamp(zoom_ + steps, 0, int(k_Zoom_levels.size()) - 1);
    Update_scroll_range();
    Scroll_strip->setValue(column - int32_t(x / Column_pixels()));
    update();
}

void Finish_strip_pane::Field_shown(int32_t field)
{
    const int32_t column = field - 1;
    const auto visible = int32_t(Strip_area().width() / Column_pixels());
    if (column < Scroll_strip->value() || column >= Scroll_strip->value() + visible)
        Scroll_strip->setValue(column - visible / 2);
    update();
}

// ---- Painting ----

void Finish_strip_pane::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect area = Strip_area();
    p.fillRect(area, QColor(32, 32, 32));
    if (!strip_) return;
    const int32_t ready = strip_->Ready_columns();
    const int32_t first = Scroll_strip->value();
    const int32_t last = std::min(ready, first + int32_t(std::ceil(area.width() / Column_pixels())) + 1);
    // Only the columns ready may be read: the workers still write the others.
    if (last > first) {
        const QRectF source(first, 0, last - first, strip_->Picture().height());
        p.drawImage(QRectF(area.left(), area.top(), (last - first) * Column_pixels(), area.height()),
                    strip_->Ready_picture(), source);
    }
    Paint_marks(p);
}

void Finish_strip_pane::Paint_marks(QPainter& p) const
{
    const QRect area = Strip_area();
    Draw_strip_marks(p, Marks(), Scroll_strip->value(), Column_pixels(),
                     double(area.height()) / strip_->Line().Samples(), area.width());
    const int x = X_of(host_.Shown_field() - 1);
    p.setPen(QPen(QColor(0, 255, 255), 1));
    p.drawLine(x, area.top(), x, area.bottom());
}

void Finish_strip_pane::resizeEvent(QResizeEvent*)
{
    const int h = height(), w = width();
    Scroll_strip->setGeometry(0, h - k_Row_height - k_Scroll_height, w, k_Scroll_height);
    Cmd_zoom_out->setGeometry(2, h - k_Row_height + 1, 24, 24);
    Cmd_zoom_in->setGeometry(28, h - k_Row_height + 1, 24, 24);
    Progress_strip->setGeometry(58, h - k_Row_height + 3, 160, 20);
    Lbl_strip->setGeometry(226, h - k_Row_height, std::max(0, w - 226), k_Row_height);
    Update_scroll_range();
}

// ---- Mouse and keys ----

void Finish_strip_pane::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !strip_ || !Strip_area().contains(at)) return;
    const auto column = int32_t(std::floor(at.x() / Column_pixels())) + Scroll_strip->value();
    if (column < 0 || column >= strip_->Columns()) return;
    const auto row = int32_t(double(at.y()) * strip_->Line().Samples() / Strip_area().height());
    host_.Go_to_strip_point(column + 1, Marks().Lane_at(row));
    update();
}

void Finish_strip_pane::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (event->modifiers() & Qt::ControlModifier) Zoom(steps);
    else Scroll_strip->setValue(Scroll_strip->value() - steps * std::max(1, Scroll_strip->pageStep() / 8));
}

void Finish_strip_pane::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus: Zoom(1); return;
    case Qt::Key_Minus: Zoom(-1); return;
    default: break;
    }
    // Stepping keys go to the viewer, which steps as if they were pressed there.
    if (QWidget* target = host_.Strip_key_target()) {
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat());
        QCoreApplication::sendEvent(target, &copy);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace wk
