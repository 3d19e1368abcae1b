#pragma once
// The control box vendor's library, libphidget22, bound at run time: the program builds and runs
// on a station where it is not installed (the keyboard then stands in for the box). Only the calls
// the box needs are bound; their prototypes are the library's C API.
#include <memory>
#include <stdexcept>
#include <string>

namespace wk::platform {

// A failing call of the library, with the library's return code.
class Kit_library_error : public std::runtime_error {
public:
    Kit_library_error(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
    int code() const noexcept { return code_; }

private:
    int code_;
};

class Phidget_library {
public:
    static constexpr const char* k_Default_path = "libphidget22.so.0";
    // Every version of the library this program speaks begins its version text so; its debug
    // build says "Phidget22 Debug - Version 1." instead.
    static constexpr const char* k_Version_mark = "Phidget22 - Version 1.";
    static constexpr const char* k_Debug_version_mark = "Phidget22 Debug - Version 1.";

    // The library's handles are opaque; a channel of any class is also a Phidget.
    using Handle = void*;
    using Attach_callback = void (*)(Handle channel, void* context);
    using State_callback = void (*)(Handle channel, void* context, int state);
    using Error_callback = void (*)(Handle channel, void* context, int code, const char* description);

    // The library at path, loaded once for the life of the process (its threads may still call
    // back while the program ends); null when it cannot be loaded. load_error then holds why,
    // unless the file is simply not there (a station without the box). Throws Kit_library_error
    // when it is there but lacks one of the calls.
    static std::shared_ptr<const Phidget_library> Load(const std::string& path = k_Default_path,
                                                       std::string* load_error = nullptr);

    // Phidget_getLibraryVersion.
    std::string Library_version() const;
    // Whether a version text is of a library this program speaks (release or debug build).
    static bool Speaks_version(const std::string& version);
    // Throws Kit_library_error naming the call when code is not the library's success.
    static void Check(int code, const char* call);

    int (*PhidgetDigitalInput_create)(Handle* channel) = nullptr;
    int (*PhidgetDigitalInput_delete)(Handle* channel) = nullptr;
    int (*PhidgetDigitalInput_setOnStateChangeHandler)(Handle channel, State_callback callback, void* context) = nullptr;
    int (*PhidgetDigitalInput_getState)(Handle channel, int* state) = nullptr;
    int (*PhidgetDigitalOutput_create)(Handle* channel) = nullptr;
    int (*PhidgetDigitalOutput_delete)(Handle* channel) = nullptr;
    int (*PhidgetDigitalOutput_setState)(Handle channel, int state) = nullptr;
    int (*Phidget_setDeviceSerialNumber)(Handle channel, int serial) = nullptr;
    int (*Phidget_getDeviceSerialNumber)(Handle channel, int* serial) = nullptr;
    int (*Phidget_setChannel)(Handle channel, int index) = nullptr;
    int (*Phidget_setOnAttachHandler)(Handle channel, Attach_callback callback, void* context) = nullptr;
    int (*Phidget_setOnDetachHandler)(Handle channel, Attach_callback callback, void* context) = nullptr;
    int (*Phidget_open)(Handle channel) = nullptr;
    int (*Phidget_close)(Handle channel) = nullptr;
    int (*Phidget_getLibraryVersion)(const char** version) = nullptr;
    int (*Phidget_setOnErrorHandler)(Handle channel, Error_callback callback, void* context) = nullptr;

private:
    void Bind(void* library);
};

} // namespace wk::platform
