#pragma once
// The real control box: a Phidget interface kit driven through the vendor's library. Its digital
// inputs 0-7 and digital output 0 are channels of their own; the box counts as attached while all
// nine are, and only when all nine report the same serial (with any box allowed, channels of two
// devices could otherwise form one). The library calls back on its own threads: there a change is
// only stamped with the tick and queued, and the kit raises its events when the GUI thread takes
// them. What the library's error handler says is traced and kept as the reason the box is not
// attached.
#include "capture/Interface_kit.h"
#include "platform/Phidget_library.h"

#include <QObject>

#include <array>
#include <memory>

namespace wk {

class Phidget_interface_kit final : public QObject, public Interface_kit {
public:
    static constexpr int32_t k_Inputs = 8;

    // Creates the channels on library (loaded, not null); throws platform::Kit_library_error.
    explicit Phidget_interface_kit(std::shared_ptr<const platform::Phidget_library> library);
    ~Phidget_interface_kit() override;

    // Opens every channel; the library then attaches the box whenever it is plugged in.
    void Open(int32_t serial) override;
    bool Attached() const override { return attached_; }
    int32_t Serial_number() const override { return attached_ ? serial_ : 0; }
    bool Input_state(int32_t index) const override;
    // Output 0 is the only output opened; the others, and a detached box, ignore writes.
    void Set_output_state(int32_t index, bool state) override;
    std::string Problem() const override;

    struct Relay;

private:
    // On the GUI thread, in the order the library called back.
    void Box_attached(int32_t serial, const std::array<bool, k_Inputs>& inputs);
    void Box_detached();
    void Input_changed(int32_t index, bool state, int32_t tick);
    void Library_said(int code, const std::string& description);
    void Channels_disagree(const std::string& serials);
    void Close_channels();

    std::shared_ptr<const platform::Phidget_library> library_;
    std::shared_ptr<Relay> relay_;
    bool attached_ = false;
    int32_t serial_ = 0;
    std::array<bool, k_Inputs> inputs_{};
    // The library's last error since the box was last attached, and why the channels made no box.
    std::string library_error_, disagreement_;
};

} // namespace wk
