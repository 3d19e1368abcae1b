// The least a Qt Widgets program does on the road tools/startup_timing.sh times: a start window
// with a Go button, and on Go a window painting one 720 x 576 picture. Built as the program is,
// it is what the program's start-up is set against:
//
//   tools/startup_timing.sh build-rel/tools/minimal_qt_start build-rel/tools/make_demo_heat
//
// It writes the same two lines the program writes when WK_STARTUP_TRACE is set.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace {

double Clock_ms(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

class Picture_window final : public QWidget {
public:
    Picture_window(double go_ms, double go_cpu_ms) : go_ms_(go_ms), go_cpu_ms_(go_cpu_ms)
    {
        setWindowTitle("Minimal picture");
        resize(720, 576);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (picture_.isNull()) {
            picture_ = QImage(720, 576, QImage::Format_RGB32);
            picture_.fill(Qt::darkCyan);
        }
        QPainter(this).drawImage(0, 0, picture_);
        if (go_ms_ < 0) return;
        const double go = go_ms_, go_cpu = go_cpu_ms_;
        go_ms_ = -1;
        QTimer::singleShot(0, this, [go, go_cpu] {
            std::fprintf(stderr, "startup: first viewer picture painted %.1f ms after Go (%.1f ms processor)\n",
                         Clock_ms(CLOCK_MONOTONIC) - go, Clock_ms(CLOCK_THREAD_CPUTIME_ID) - go_cpu);
        });
    }

private:
    QImage picture_;
    double go_ms_, go_cpu_ms_;
};

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("WK_STARTUP_TRACE"))
        std::fprintf(stderr, "startup: main at monotonic %.3f ms, after %.1f ms processor\n",
                     Clock_ms(CLOCK_MONOTONIC), Clock_ms(CLOCK_PROCESS_CPUTIME_ID));
    QApplication app(argc, argv);
    QWidget start;
    start.setWindowTitle("Wakeline Startup");
    start.resize(360, 300);
    // Where the timing script clicks the program's Go button.
    QPushButton go("Go", &start);
    go.setGeometry(120, 240, 120, 34);
    Picture_window* shown = nullptr;
    QObject::connect(&go, &QPushButton::released, [&] {
        const double at = Clock_ms(CLOCK_MONOTONIC), cpu = Clock_ms(CLOCK_THREAD_CPUTIME_ID);
        start.hide();
        shown = new Picture_window(at, cpu);
        shown->show();
    });
    start.show();
    const int code = app.exec();
    delete shown;
    return code;
}
