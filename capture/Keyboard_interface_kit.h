#pragma once
// A control box on the keyboard, for a station without the box: it attaches when opened and
// turns keys of the watched window into the box's inputs.
//   F5 toggles the arming switch (input 1)   F6 toggles the start signal (input 0)
//   F7 is the start button (input 2, held)   F8 is the capture button (input 5, held)
#include "capture/Simulated_interface_kit.h"

#include <QObject>

namespace wk {

class Keyboard_interface_kit final : public QObject, public Simulated_interface_kit {
public:
    static constexpr int32_t k_Serial = 1;

    // Watches the keys that reach watched (and its children through the application).
    explicit Keyboard_interface_kit(QObject* watched);
    ~Keyboard_interface_kit() override;
    void Open(int32_t serial) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* watched_;
};

} // namespace wk
