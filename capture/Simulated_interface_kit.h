#pragma once
// An interface kit with no hardware behind it: whoever drives it (a test, or the local socket of
// the kit simulator) attaches it, flips its inputs and reads its outputs. Events are raised at
// once, on the caller's thread, which must be the GUI thread.
#include "capture/Interface_kit.h"

#include <array>

namespace wk {

class Simulated_interface_kit : public Interface_kit {
public:
    static constexpr int32_t k_Channels = 8;

    void Open(int32_t serial) override;
    bool Attached() const override { return attached_; }
    int32_t Serial_number() const override { return attached_ ? serial_ : 0; }
    bool Input_state(int32_t index) const override;
    void Set_output_state(int32_t index, bool state) override;

    // Driving the kit. Attach and detach raise their event only when the state changes; an input
    // raises its change only while attached and only when its state changes, as the box does.
    void Attach(int32_t serial);
    void Detach();
    void Set_input(int32_t index, bool state);
    bool Output_state(int32_t index) const;
    int32_t Open_calls() const { return open_calls_; }

private:
    static bool Valid(int32_t index) { return index >= 0 && index < k_Channels; }
    bool attached_ = false;
    int32_t serial_ = 0;
    int32_t open_calls_ = 0;
    std::array<bool, k_Channels> inputs_{};
    std::array<bool, k_Channels> outputs_{};
};

} // namespace wk
