#pragma once
// The finish strip's window: the strip of the open recording as it is built, zoomable in time,
// with the shown field, the lane marks and the placed finishes marked on it. A click goes to the
// field and lane under it; arrow keys step the viewer. It keeps the strip while the recording
// stays open and builds it again when the goal line changes.
#include "recording/Finish_strip.h"
#include "viewer/Finish_strip_marks.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPainter;
class QProgressBar;
class QScrollBar;
class QTimer;
class QToolButton;

namespace wk {

class Finish_strip_host;

class Finish_strip_pane final : public QWidget {
public:
    Finish_strip_pane(Finish_strip_host& host, QWidget* parent);
    ~Finish_strip_pane() override;

    QScrollBar* Scroll_strip = nullptr;
    QProgressBar* Progress_strip = nullptr;
    QToolButton* Cmd_zoom_in = nullptr;
    QToolButton* Cmd_zoom_out = nullptr;
    QLabel* Lbl_strip = nullptr;

    // Places the window inside the screen clear of the viewer's picture and controls (and of the
    // rest of the viewer's frame and its menus where there is room), and shows it. Screen
    // rectangles.
    void Show_clear_of(const QRect& picture, const QRect& controls, const QRect& viewer, const QRect& menus);
    // Starts the strip for the open recording when it has none or its goal line changed, drops it
    // when the recording closed, and shows what is ready (its timer calls it).
    void Follow();
    // The strip of the open recording; nullptr before it is started.
    const Finish_strip* Strip() const { return strip_.get(); }
    // The strip started when there is none yet.
    Finish_strip* Started_strip();
    // The strip for work that may outlast the pane's hold on it (an export).
    std::shared_ptr<const Finish_strip> Shared_strip() const { return strip_; }
    // The marks as the viewer has them now.
    Strip_marks Marks() const;
    // Pixels per column, and the strip's area in the window.
    double Column_pixels() const;
    QRect Strip_area() const;
    // The window x of the middle of a column, and the window y of a sample.
    int X_of(int32_t column) const;
    int Y_of(int32_t row) const;
    void Zoom(int steps);
    // The shown field moved: its mark follows and stays in view.
    void Field_shown(int32_t field);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Follow_recording();
    void Build_controls();
    void Update_scroll_range();
    void Show_progress(bool has_line);
    // The strip of that goal line, started unless it is the one there.
    Finish_strip* Started_strip(const std::optional<Finish_strip_line::Setup>& line);
    void Paint_marks(QPainter& p) const;
    std::vector<int32_t> Marks_signature() const;
    bool Strip_is_current(const Finish_strip_line::Setup& line) const;

    Finish_strip_host& host_;
    std::shared_ptr<Finish_strip> strip_;
    std::string strip_path_;
    int32_t strip_frames_ = 0;
    int16_t strip_stream_ = 0;
    Finish_strip_line::Setup strip_line_;
    int zoom_ = 4; // index into the zoom levels
    int32_t followed_columns_ = -1;
    std::vector<int32_t> followed_marks_; // the places' columns and rows last followed
    QTimer* timer_ = nullptr;
};

} // namespace wk
