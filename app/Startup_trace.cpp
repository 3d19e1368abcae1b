#include "app/Startup_trace.h"

#include "platform/System_info.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_qsm_Globals.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace wk {

namespace {

double Clock_ms(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Wall time, and processor time, which a busy machine does not stretch: the process's before
// `main` (the loader and the static constructors), the GUI thread's after Go.
double Monotonic_ms() { return Clock_ms(CLOCK_MONOTONIC); }
double Process_cpu_ms() { return Clock_ms(CLOCK_PROCESS_CPUTIME_ID); }
double Thread_cpu_ms() { return Clock_ms(CLOCK_THREAD_CPUTIME_ID); }

// Watches every event of the program: the Go button's release, then the viewer picture's first
// paint with a recording open. Removes itself once that paint is seen.
class Startup_watch final : public QObject {
public:
    explicit Startup_watch(QObject* parent) : QObject(parent) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease && watched->objectName() == "Command_go") {
            go_ms_ = Monotonic_ms();
            go_cpu_ms_ = Thread_cpu_ms();
        } else if (go_ms_ > 0 && event->type() == QEvent::Paint && watched->objectName() == "Picture_large" &&
                   g_Recording && g_Recording->File_open()) {
            // The paint is timed once it is done: the filter sees it before the picture does.
            const double go = go_ms_, go_cpu = go_cpu_ms_;
            go_ms_ = -1;
            QObject* self = this;
            QMetaObject::invokeMethod(
                self,
                [self, go, go_cpu] {
                    std::fprintf(stderr, "startup: first viewer picture painted %.1f ms after Go (%.1f ms processor)\n",
                                 Monotonic_ms() - go, Thread_cpu_ms() - go_cpu);
                    QCoreApplication::instance()->removeEventFilter(self);
                    self->deleteLater();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    double go_ms_ = 0, go_cpu_ms_ = 0;
};

} // namespace

void Note_main_entered()
{
    if (platform::Environment("WK_STARTUP_TRACE"))
        std::fprintf(stderr, "startup: main at monotonic %.3f ms, after %.1f ms processor\n", Monotonic_ms(),
                     Process_cpu_ms());
}

void Install_startup_trace()
{
    if (!platform::Environment("WK_STARTUP_TRACE")) return;
    auto* app = QCoreApplication::instance();
    app->installEventFilter(new Startup_watch(app));
}

} // namespace wk
