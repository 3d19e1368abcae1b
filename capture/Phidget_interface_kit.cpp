#include "capture/Phidget_interface_kit.h"

#include "platform/Clock.h"
#include "services/Module_trace.h"

#include <mutex>
#include <optional>
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
    static void On_error(Phidget_library::Handle, void* context, int code, const char* description);
    // With every channel attached: the serial all nine report, or nothing (the serials that
    // differ, or that cannot be read, are told to the kit).
    std::optional<int> Common_serial();
    // The box as it stands at its attach: its inputs, read from the library.
    void Post_box_attached(int serial);
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
    const std::optional<int> serial = relay.Common_serial();
    if (!serial) return;
    relay.box_attached = true;
    relay.Post_box_attached(*serial);
}

std::optional<int> Phidget_interface_kit::Relay::Common_serial()
{
    std::string serials;
    bool same = true;
    int first = 0;
    for (size_t i = 0; i < channels.size(); ++i) {
        int serial = 0;
        const bool read = library->Phidget_getDeviceSerialNumber(channels[i].handle, &serial) == 0;
        serials += (i ? ", " : "") + (read ? std::to_string(serial) : std::string("?"));
        if (i == 0) first = serial;
        same = same && read && serial == first;
    }
    if (same) return first;
    Phidget_interface_kit* target = kit;
    QMetaObject::invokeMethod(target, [target, serials] { target->Channels_disagree(serials); }, Qt::QueuedConnection);
    return std::nullopt;
}

void Phidget_interface_kit::Relay::Post_box_attached(int serial)
{
    std::array<bool, k_Inputs> inputs{};
    // A state the library cannot give reads as off, as on a box that has just come.
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

void Phidget_interface_kit::Relay::On_error(Phidget_library::Handle, void* context, int code, const char* description)
{
    auto& channel = *static_cast<Channel*>(context);
    Relay& relay = *channel.relay;
    // The text is the library's only for the call.
    const std::string text = description ? description : "";
    std::lock_guard lock(relay.mutex);
    if (!relay.kit) return;
    Phidget_interface_kit* target = relay.kit;
    QMetaObject::invokeMethod(
        target, [target, code, text] { target->Library_said(code, text); }, Qt::QueuedConnection);
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
            Phidget_library::Check(lib.Phidget_setOnErrorHandler(c.handle, &Relay::On_error, &c),
                                   "Phidget_setOnErrorHandler");
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
    library_error_.clear();
    disagreement_.clear();
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

void Phidget_interface_kit::Library_said(int code, const std::string& description)
{
    // The same words again and again (the library retries) are traced once.
    if (description == library_error_) return;
    library_error_ = description;
    Trace_Line("Control box library error " + std::to_string(code) + ": " + description);
    if (On_problem) On_problem();
}

void Phidget_interface_kit::Channels_disagree(const std::string& serials)
{
    disagreement_ = "The box's channels report different serials (" + serials +
                    "): more than one box is plugged in; choose one with box_serial";
    Trace_Line(disagreement_);
    if (On_problem) On_problem();
}

std::string Phidget_interface_kit::Problem() const
{
    if (attached_) return {};
    int attached = 0;
    std::string missing;
    {
        std::lock_guard lock(relay_->mutex);
        for (size_t i = 0; i < relay_->channels.size(); ++i) {
            if (relay_->channels[i].attached) {
                ++attached;
                continue;
            }
            missing += missing.empty() ? "" : ", ";
            missing += i == size_t(Relay::k_Output) ? "output 0" : "input " + std::to_string(i);
        }
    }
    // A serial that was read from all nine channels is the surest reason; then channels that
    // never came (a kit with fewer inputs), then what the library said.
    if (!disagreement_.empty() && missing.empty()) return disagreement_;
    if (attached > 0 && !missing.empty())
        return "Only " + std::to_string(attached) + " of the box's " + std::to_string(Relay::k_Output + 1) +
               " channels are attached (missing: " + missing + ")";
    if (!library_error_.empty()) return "The control box library says: " + library_error_;
    return {};
}

} // namespace wk
