#pragma once
// The finish strip's export to a PNG on a thread of its own, with a progress window the crew may
// close to stop it. The viewer stays free meanwhile; the strip is kept until the export ends,
// whatever happens to the recording.
#include "viewer/Finish_strip_marks.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QProgressDialog;
class QWidget;

namespace wk {

class Finish_strip;

class Strip_export final : public QObject {
public:
    // Progress shows over window; done is told the outcome (empty: written) on this thread.
    Strip_export(QWidget* window, std::function<void(const std::string& error)> done);
    // Stops a running export and waits for it; the file of that name stays as it was.
    ~Strip_export() override;

    // Starts writing the whole strip to path; false while an export runs.
    bool Start(std::shared_ptr<const Finish_strip> strip, Strip_marks marks, const std::string& path);
    bool Running() const { return worker_.joinable(); }
    QProgressDialog* Progress() const { return progress_; }

private:
    void Finished(const std::string& error);

    QWidget* window_;
    std::function<void(const std::string&)> done_;
    QProgressDialog* progress_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<int> percent_{0};
    std::thread worker_;
};

} // namespace wk
