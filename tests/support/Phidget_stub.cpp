// A stand-in libphidget22.so.0 for the tests: the calls the control box kit binds, with the
// library's C prototypes, and a few calls of its own by which a test plays the box. The box's
// callbacks run on whatever thread the test plays it from, as the library's run on its own.
#include <mutex>
#include <string>
#include <vector>

namespace {

using Attach_callback = void (*)(void* channel, void* context);
using State_callback = void (*)(void* channel, void* context, int state);
using Error_callback = void (*)(void* channel, void* context, int code, const char* description);

constexpr int k_Ok = 0, k_Not_attached = 52, k_Bad_argument = 21;

struct Channel {
    bool output = false;
    int index = -1, serial = -1, device_serial = 0, state = 0;
    bool open = false, attached = false;
    Attach_callback on_attach = nullptr, on_detach = nullptr;
    void *attach_context = nullptr, *detach_context = nullptr;
    State_callback on_change = nullptr;
    void* change_context = nullptr;
    Error_callback on_error = nullptr;
    void* error_context = nullptr;
};

struct Stub {
    std::mutex mutex;
    std::vector<Channel*> channels;
    int outputs[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int opens = 0, live = 0;
    std::string version = "Phidget22 - Version 1.19 - Built Jan 1 2024 00:00:00 (test stub)";
};

Stub& The_stub()
{
    static Stub stub;
    return stub;
}

Channel* Of(void* handle) { return static_cast<Channel*>(handle); }

int Create(void** handle, bool output)
{
    if (!handle) return k_Bad_argument;
    auto* c = new Channel;
    c->output = output;
    std::lock_guard lock(The_stub().mutex);
    The_stub().channels.push_back(c);
    ++The_stub().live;
    *handle = c;
    return k_Ok;
}

int Delete(void** handle)
{
    if (!handle || !*handle) return k_Bad_argument;
    Stub& s = The_stub();
    std::lock_guard lock(s.mutex);
    std::erase(s.channels, Of(*handle));
    --s.live;
    delete Of(*handle);
    *handle = nullptr;
    return k_Ok;
}

// Calls of one kind on the channels chosen, made outside the stub's lock as a library would.
struct Call {
    Channel* channel;
    Attach_callback attach;
    void* context;
    State_callback change;
    int state;
};

void Run(const std::vector<Call>& calls)
{
    for (const Call& c : calls) {
        if (c.attach) c.attach(c.channel, c.context);
        if (c.change) c.change(c.channel, c.context, c.state);
    }
}

} // namespace

extern "C" {

int PhidgetDigitalInput_create(void** ch) { return Create(ch, false); }
int PhidgetDigitalInput_delete(void** ch) { return Delete(ch); }
int PhidgetDigitalOutput_create(void** ch) { return Create(ch, true); }
int PhidgetDigitalOutput_delete(void** ch) { return Delete(ch); }

int PhidgetDigitalInput_setOnStateChangeHandler(void* ch, State_callback f, void* ctx)
{
    std::lock_guard lock(The_stub().mutex);
    Of(ch)->on_change = f;
    Of(ch)->change_context = ctx;
    return k_Ok;
}

int PhidgetDigitalInput_getState(void* ch, int* state)
{
    std::lock_guard lock(The_stub().mutex);
    if (!Of(ch)->attached) return k_Not_attached;
    *state = Of(ch)->state;
    return k_Ok;
}

int PhidgetDigitalOutput_setState(void* ch, int state)
{
    std::lock_guard lock(The_stub().mutex);
    if (!Of(ch)->attached) return k_Not_attached;
    if (Of(ch)->index >= 0 && Of(ch)->index < 8) The_stub().outputs[Of(ch)->index] = state;
    return k_Ok;
}

int Phidget_setDeviceSerialNumber(void* ch, int serial)
{
    std::lock_guard lock(The_stub().mutex);
    Of(ch)->serial = serial;
    return k_Ok;
}

int Phidget_getDeviceSerialNumber(void* ch, int* serial)
{
    std::lock_guard lock(The_stub().mutex);
    if (!Of(ch)->attached) return k_Not_attached;
    *serial = Of(ch)->device_serial;
    return k_Ok;
}

int Phidget_setChannel(void* ch, int index)
{
    std::lock_guard lock(The_stub().mutex);
    Of(ch)->index = index;
    return k_Ok;
}

int Phidget_setOnAttachHandler(void* ch, Attach_callback f, void* ctx)
{
    std::lock_guard lock(The_stub().mutex);
    Of(ch)->on_attach = f;
    Of(ch)->attach_context = ctx;
    return k_Ok;
}

int Phidget_setOnDetachHandler(void* ch, Attach_callback f, void* ctx)
{
    std::lock_guard lock(The_stub().mutex);
    Of(ch)->on_detach = f;
    Of(ch)->detach_context = ctx;
    return k_Ok;
}

int Phidget_setOnErrorHandler(void* ch, Error_callback f, void* ctx)
{
    std::lock_guard lock(The_stub().mutex);
    Of(ch)->on_error = f;
    Of(ch)->error_context = ctx;
    return k_Ok;
}

int Phidget_open(void* ch)
{
    std::lock_guard lock(The_stub().mutex);
    Of(ch)->open = true;
    ++The_stub().opens;
    return k_Ok;
}

// Closing an attached channel detaches it first, with its handler.
int Phidget_close(void* ch)
{
    std::vector<Call> calls;
    {
        std::lock_guard lock(The_stub().mutex);
        Channel* c = Of(ch);
        if (c->attached && c->on_detach) calls.push_back({c, c->on_detach, c->detach_context, nullptr, 0});
        c->attached = false;
        c->open = false;
    }
    Run(calls);
    return k_Ok;
}

int Phidget_getLibraryVersion(const char** version)
{
    *version = The_stub().version.c_str();
    return k_Ok;
}

// The test's side.

// A box with this serial and `inputs` digital inputs (its output 0 too when `output`) is plugged
// in: every open channel that may take one of them attaches.
void wk_stub_attach_some(int serial, int inputs, int output)
{
    std::vector<Call> calls;
    {
        std::lock_guard lock(The_stub().mutex);
        for (Channel* c : The_stub().channels) {
            if (!c->open || c->attached || (c->serial > 0 && c->serial != serial)) continue;
            if (c->output ? !output : c->index >= inputs) continue;
            c->attached = true;
            c->device_serial = serial;
            if (c->on_attach) calls.push_back({c, c->on_attach, c->attach_context, nullptr, 0});
        }
    }
    Run(calls);
}

// A box with this serial, whole, is plugged in.
void wk_stub_attach(int serial) { wk_stub_attach_some(serial, 8, 1); }

// The library's error event on the first open channel, as its threads raise it.
void wk_stub_error(int code, const char* description)
{
    Error_callback handler = nullptr;
    void* context = nullptr;
    Channel* channel = nullptr;
    {
        std::lock_guard lock(The_stub().mutex);
        for (Channel* c : The_stub().channels)
            if (c->open && c->on_error) {
                handler = c->on_error;
                context = c->error_context;
                channel = c;
                break;
            }
    }
    if (handler) handler(channel, context, code, description);
}

// The box is pulled out.
void wk_stub_detach()
{
    std::vector<Call> calls;
    {
        std::lock_guard lock(The_stub().mutex);
        for (Channel* c : The_stub().channels) {
            if (!c->attached) continue;
            c->attached = false;
            if (c->on_detach) calls.push_back({c, c->on_detach, c->detach_context, nullptr, 0});
        }
    }
    Run(calls);
}

// Input index of the box changes; the change is reported on the calling thread.
void wk_stub_set_input(int index, int state)
{
    std::vector<Call> calls;
    {
        std::lock_guard lock(The_stub().mutex);
        for (Channel* c : The_stub().channels) {
            if (c->output || c->index != index || c->state == state) continue;
            c->state = state;
            if (c->attached && c->on_change) calls.push_back({c, nullptr, c->change_context, c->on_change, state});
        }
    }
    Run(calls);
}

// The last state written to output index, -1 when none was.
int wk_stub_output(int index)
{
    std::lock_guard lock(The_stub().mutex);
    return index >= 0 && index < 8 ? The_stub().outputs[index] : -1;
}

// Channels the library holds (created and not deleted).
int wk_stub_live_channels()
{
    std::lock_guard lock(The_stub().mutex);
    return The_stub().live;
}

void wk_stub_set_version(const char* version)
{
    std::lock_guard lock(The_stub().mutex);
    The_stub().version = version;
}

// Back to a box never seen: inputs off, outputs unwritten.
void wk_stub_reset()
{
    std::lock_guard lock(The_stub().mutex);
    for (Channel* c : The_stub().channels) c->state = 0;
    for (int& o : The_stub().outputs) o = -1;
    The_stub().version = "Phidget22 - Version 1.19 - Built Jan 1 2024 00:00:00 (test stub)";
}

} // extern "C"
