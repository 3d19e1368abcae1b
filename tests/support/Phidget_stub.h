#pragma once
// The tests' side of the stand-in libphidget22.so.0: the box is played from a thread of its own,
// as the library calls back on its own threads; each call returns once that thread is done.
#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <thread>

namespace wk::test {

class Phidget_stub {
public:
    static std::string Path() { return PHIDGET_STUB_LIBRARY; }

    Phidget_stub()
    {
        library_ = dlopen(PHIDGET_STUB_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!library_) throw std::runtime_error(std::string("stub library: ") + dlerror());
        Bind("wk_stub_attach", attach_);
        Bind("wk_stub_attach_some", attach_some_);
        Bind("wk_stub_error", error_);
        Bind("wk_stub_detach", detach_);
        Bind("wk_stub_set_input", set_input_);
        Bind("wk_stub_output", output_);
        Bind("wk_stub_live_channels", live_);
        Bind("wk_stub_set_version", set_version_);
        Bind("wk_stub_reset", reset_);
        reset_();
    }
    ~Phidget_stub()
    {
        reset_();
        dlclose(library_);
    }
    Phidget_stub(const Phidget_stub&) = delete;
    Phidget_stub& operator=(const Phidget_stub&) = delete;

    void Attach(int serial) { On_box_thread([&] { attach_(serial); }); }
    // A box with fewer channels, or the part of a box that the library gave these channels.
    void Attach_some(int serial, int inputs, bool output)
    {
        On_box_thread([&] { attach_some_(serial, inputs, output ? 1 : 0); });
    }
    // The library's error event, with its code and text, from the library's thread.
    void Error(int code, const std::string& text) { On_box_thread([&] { error_(code, text.c_str()); }); }
    void Detach() { On_box_thread([&] { detach_(); }); }
    void Set_input(int index, bool on) { On_box_thread([&] { set_input_(index, on ? 1 : 0); }); }
    // The last state the program wrote to output index; -1 when it wrote none.
    int Output(int index) const { return output_(index); }
    int Live_channels() const { return live_(); }
    void Set_version(const std::string& text) { set_version_(text.c_str()); }

private:
    template <typename F>
    void Bind(const char* name, F& target)
    {
        target = reinterpret_cast<F>(dlsym(library_, name));
        if (!target) throw std::runtime_error(std::string("stub library lacks ") + name);
    }
    template <typename F>
    static void On_box_thread(F f)
    {
        std::thread box(f);
        box.join();
    }

    void* library_ = nullptr;
    void (*attach_)(int) = nullptr;
    void (*attach_some_)(int, int, int) = nullptr;
    void (*error_)(int, const char*) = nullptr;
    void (*detach_)() = nullptr;
    void (*set_input_)(int, int) = nullptr;
    int (*output_)(int) = nullptr;
    int (*live_)() = nullptr;
    void (*set_version_)(const char*) = nullptr;
    void (*reset_)() = nullptr;
};

} // namespace wk::test
