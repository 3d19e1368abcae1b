#include "capture/Phidget_interface_kit.h"

#include "platform/Clock.h"

#include <mutex>
#include <vector>

namespace wk {

using platform::Phidget_library;

// What the library's threads share with the kit. The library keeps a pointer to one channel
// entry per channel; the relay outlives the kit (see Retire), so a late callback finds it.
struct Phidget_interface_kit::Relay {
    static constexpr int k_Output = k_Inputs; // the channel entry of output 0
    struct Channel {
        Relay* relay = nullptr;
        int index = 0;
        Phidget_library::Handle handle = nullptr;
        bool attached = false;
    };

    std::mutex mutex;
    // Null once the kit is going: callbacks then do nothing.
    Phidget_interface_kit* kit = nullptr;
    const Phidget_library* library = nullptr;
    std::array<Channel, k_Inputs + 1> channels{};
    bool box_attached = false;

    static void On_attach(Phidget_library::Handle, void* context);
    static void On_detach(Phidget_library::Handle, void* context);
    static void On_state_change(Phidget_library::Handle, void* context, int state);
    // The box as it stands at its attach: its serial and its inputs, read from the library.
    void Post_box_attached();
};

namespace {

// Relays of kits that are gone, kept so that a callback the library still had under way when
// the kit closed its channels reads a relay that exists.
void Retire(std::shared_ptr<Phidget_interface_kit::Relay> relay)
{
    static std::mutex guard;
    static std::vector<std::shared_ptr<Phidget_interface_kit::Relay>> retired;
    std::lock_guard lock(guard);
    retired.push_back(std::move(relay));
}

} // namespace

void Phidget_interface_kit::Relay::On_attach(Phidget_library::Handle, void* context)
{
    auto& channel = *static_cast<Channel*>(context);
    Relay& relay = *channel.relay;
    std::lock_guard lock(relay.mutex);
    if (!relay.kit) return;
    channel.attached = true;
    if (relay.box_attached) return;
    for (const Channel& c : relay.channels)
        if (!c.attached) return;
    relay.box_attached = true;
    relay.Post_box_attached();
}

void Phidget_interface_kit::Relay::Post_box_attached()
{
    int serial = 0;
    std::array<bool, k_Inputs> inputs{};
    // A value the library cannot give reads as 0 and off, as on a box that has just come.
    library->Phidget_getDeviceSerialNumber(channels[0].handle, &serial);
    for (int i = 0; i < k_Inputs; ++i) {
        int state = 0;
        if (library->PhidgetDigitalInput_getState(channels[size_t(i)].handle, &state) == 0) inputs[size_t(i)] = state != 0;
    }
    Phidget_interface_kit* target = kit;
    QMetaObject::invokeMethod(
        target, [target, serial, inputs] { target->Box_attached(serial, inputs); }, Qt::QueuedConnection);
}

void Phidget_interface_kit::Relay::On_detach(Phidget_library::Handle, void* context)
{
    auto& channel = *static_cast<Channel*>(context);
    Relay& relay = *channel.relay;
    std::lock_guard lock(relay.mutex);
    if (!relay.kit) return;
    channel.attached = false;
    // The first channel to go takes the box with it.
    if (!relay.box_attached) return;
    relay.box_attached = false;
    Phidget_interface_kit* target = relay.kit;
    QMetaObject::invokeMethod(target, [target] { target->Box_detached(); }, Qt::QueuedConnection);
}

void Phidget_interface_kit::Relay::On_state_change(Phidget_library::Handle, void* context, int state)
{
    // The moment of the change, before anything else takes time.
    const int32_t tick = platform::Get_clock().Tick();
    auto& channel = *static_cast<Channel*>(context);
    Relay& relay = *channel.relay;
    std::lock_guard lock(relay.mutex);
    // A change before the box is whole is in the states read at its attach.
    if (!relay.kit || !relay.box_attached) return;
    Phidget_interface_kit* target = relay.kit;
    const int index = channel.index;
    const bool on = state != 0;
    QMetaObject::invokeMethod(
        target, [target, index, on, tick] { target->Input_changed(index, on, tick); }, Qt::QueuedConnection);
}

Phidget_interface_kit::Phidget_interface_kit(std::shared_ptr<const Phidget_library> library)
    : library_(std::move(library)), relay_(std::make_shared<Relay>())
{
    const Phidget_library& lib = *library_;
    relay_->kit = this;
    relay_->library = library_.get();
    try {
        for (int i = 0; i <= Relay::k_Output; ++i) {
            Relay::Channel& c = relay_->channels[size_t(i)];
            c.relay = relay_.get();
            c.index = i < k_Inputs ? i : 0;
            const bool output = i == Relay::k_Output;
            Phidget_library::Check(output ? lib.PhidgetDigitalOutput_create(&c.handle)
                                          : lib.PhidgetDigitalInput_create(&c.handle),
                                   output ? "PhidgetDigitalOutput_create" : "PhidgetDigitalInput_create");
            Phidget_library::Check(lib.Phidget_setChannel(c.handle, c.index), "Phidget_setChannel");
            Phidget_library::Check(lib.Phidget_setOnAttachHandler(c.handle, &Relay::On_attach, &c),
                                   "Phidget_setOnAttachHandler");
            Phidget_library::Check(lib.Phidget_setOnDetachHandler(c.handle, &Relay::On_detach, &c),
                                   "Phidget_setOnDetachHandler");
            if (!output)
                Phidget_library::Check(lib.PhidgetDigitalInput_setOnStateChangeHandler(c.handle, &Relay::On_state_change, &c),
                                       "PhidgetDigitalInput_setOnStateChangeHandler");
        }
    } catch (...) {
        Close_channels();
        throw;
    }
}

Phidget_interface_kit::~Phidget_interface_kit() { Close_channels(); }

void Phidget_interface_kit::Close_channels()
{
    {
        std::lock_guard lock(relay_->mutex);
        relay_->kit = nullptr;
    }
    // Not under the relay's lock: closing may call the detach handler on this thread.
    for (int i = 0; i <= Relay::k_Output; ++i) {
        Phidget_library::Handle& handle = relay_->channels[size_t(i)].handle;
        if (!handle) continue;
        library_->Phidget_close(handle);
        if (i == Relay::k_Output) library_->PhidgetDigitalOutput_delete(&handle);
        else library_->PhidgetDigitalInput_delete(&handle);
        handle = nullptr;
    }
    Retire(relay_);
}

void Phidget_interface_kit::Open(int32_t serial)
{
    for (Relay::Channel& c : relay_->channels) {
        // Serial 0: the first box the library finds.
        if (serial != 0)
            Phidget_library::Check(library_->Phidget_setDeviceSerialNumber(c.handle, serial),
                                   "Phidget_setDeviceSerialNumber");
        Phidget_library::Check(library_->Phidget_open(c.handle), "Phidget_open");
    }
}

bool Phidget_interface_kit::Input_state(int32_t index) const
{
    return index >= 0 && index < k_Inputs && inputs_[size_t(index)];
}

void Phidget_interface_kit::Set_output_state(int32_t index, bool state)
{
    if (index != 0 || !attached_) return;
    Phidget_library::Check(library_->PhidgetDigitalOutput_setState(relay_->channels[Relay::k_Output].handle, state ? 1 : 0),
                           "PhidgetDigitalOutput_setState");
}

void Phidget_interface_kit::Box_attached(int32_t serial, const std::array<bool, k_Inputs>& inputs)
{
    attached_ = true;
    serial_ = serial;
    inputs_ = inputs;
    if (On_attach) On_attach();
}

void Phidget_interface_kit::Box_detached()
{
    if (!attached_) return;
    attached_ = false;
    // Nothing is known of a box that is gone.
    inputs_.fill(false);
    if (On_detach) On_detach();
}

void Phidget_interface_kit::Input_changed(int32_t index, bool state, int32_t tick)
{
    // A change the box reported again (the library repeats the state at attach) is no change.
    if (!attached_ || inputs_[size_t(index)] == state) return;
    inputs_[size_t(index)] = state;
    if (On_input_change) On_input_change(index, state, tick);
}

} // namespace wk
