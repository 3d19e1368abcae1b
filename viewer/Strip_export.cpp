#include "viewer/Strip_export.h"

#include "recording/Finish_strip.h"

#include <QProgressDialog>

#include <algorithm>

namespace wk {

Strip_export::Strip_export(QWidget* window, std::function<void(const std::string&)> done)
    : QObject(window), window_(window), done_(std::move(done))
{
}

Strip_export::~Strip_export()
{
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

bool Strip_export::Start(std::shared_ptr<const Finish_strip> strip, Strip_marks marks, const std::string& path)
{
    if (Running() || !strip) return false;
    if (!progress_) {
        progress_ = new QProgressDialog("Exporting the finish strip...", "Stop", 0, 100, window_);
        progress_->setObjectName("Progress_strip_export");
        progress_->setWindowTitle("Finish strip");
        progress_->setWindowModality(Qt::NonModal);
        progress_->setMinimumDuration(0);
        progress_->setAutoReset(false);
        progress_->setAutoClose(false);
        connect(progress_, &QProgressDialog::canceled, this, [this] { stop_ = true; });
    }
    stop_ = false;
    percent_ = 0;
    progress_->setValue(0);
    progress_->show();
    worker_ = std::thread([this, strip = std::move(strip), marks = std::move(marks), path] {
        const std::string error =
            Export_strip_png(View_of(*strip), marks, path, [this](int32_t done, int32_t total) {
                const int percent = int(int64_t(done) * 100 / std::max(total, 1));
                // Only a new percent goes to the window: a long strip has thousands of bands.
                if (percent_.exchange(percent) != percent)
                    QMetaObject::invokeMethod(this, [this, percent] { progress_->setValue(percent); },
                                              Qt::QueuedConnection);
                return !stop_.load();
            });
        QMetaObject::invokeMethod(this, [this, error] { Finished(error); }, Qt::QueuedConnection);
    });
    return true;
}

void Strip_export::Finished(const std::string& error)
{
    if (worker_.joinable()) worker_.join();
    progress_->hide();
    // Stopped by the crew: nothing to tell them.
    if (done_ && !stop_) done_(error);
}

} // namespace wk
