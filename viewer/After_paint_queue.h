#pragma once
// Work that waits until a window's pending paints have reached the screen: queued behind Qt's
// update requests (posted at low priority, which a plain queued call would overtake), so a
// click shows its result first and then, say, waits on the disk.
#include <QObject>

#include <functional>
#include <vector>

namespace wk {

class After_paint_queue final : public QObject {
public:
    using QObject::QObject;
    // Runs work after the paints asked for so far; works run in the order they came.
    void Add(std::function<void()> work);
    // Runs what waits now (before the window closes its recording, say).
    void Run_now();

protected:
    bool event(QEvent* event) override;

private:
    std::vector<std::function<void()>> works_;
    bool posted_ = false;
};

} // namespace wk
