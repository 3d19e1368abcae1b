#include "platform/Phidget_library.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace wk::platform {

namespace {

constexpr int k_Ok = 0; // EPHIDGET_OK

template <typename F>
void Resolve(void* library, const char* name, F& target)
{
    void* symbol = dlsym(library, name);
    if (!symbol) throw Kit_library_error(-1, std::string("libphidget22 has no ") + name);
    target = reinterpret_cast<F>(symbol);
}

} // namespace

std::shared_ptr<const Phidget_library> Phidget_library::Load(const std::string& path, std::string* load_error)
{
    if (load_error) load_error->clear();
    static std::mutex guard;
    static std::map<std::string, std::shared_ptr<const Phidget_library>> loaded;
    std::lock_guard lock(guard);
    if (auto found = loaded.find(path); found != loaded.end()) return found->second;
    // Never closed: the library's own threads may run until the process ends.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        // A missing file is a station without the box; anything else (another architecture, a
        // library it needs missing, no permission) is worth the operator's while.
        const char* why = dlerror();
        const std::string text = why ? why : "";
        if (load_error && text.find("No such file or directory") == std::string::npos) *load_error = text;
        return nullptr;
    }
    auto made = std::make_shared<Phidget_library>();
    made->Bind(library);
    loaded[path] = made;
    return made;
}

void Phidget_library::Bind(void* library)
{
    Resolve(library, "PhidgetDigitalInput_create", PhidgetDigitalInput_create);
    Resolve(library, "PhidgetDigitalInput_delete", PhidgetDigitalInput_delete);
    Resolve(library, "PhidgetDigitalInput_setOnStateChangeHandler", PhidgetDigitalInput_setOnStateChangeHandler);
    Resolve(library, "PhidgetDigitalInput_getState", PhidgetDigitalInput_getState);
    Resolve(library, "PhidgetDigitalOutput_create", PhidgetDigitalOutput_create);
    Resolve(library, "PhidgetDigitalOutput_delete", PhidgetDigitalOutput_delete);
    Resolve(library, "PhidgetDigitalOutput_setState", PhidgetDigitalOutput_setState);
    Resolve(library, "Phidget_setDeviceSerialNumber", Phidget_setDeviceSerialNumber);
    Resolve(library, "Phidget_getDeviceSerialNumber", Phidget_getDeviceSerialNumber);
    Resolve(library, "Phidget_setChannel", Phidget_setChannel);
    Resolve(library, "Phidget_setOnAttachHandler", Phidget_setOnAttachHandler);
    Resolve(library, "Phidget_setOnDetachHandler", Phidget_setOnDetachHandler);
    Resolve(library, "Phidget_open", Phidget_open);
    Resolve(library, "Phidget_close", Phidget_close);
    Resolve(library, "Phidget_getLibraryVersion", Phidget_getLibraryVersion);
    Resolve(library, "Phidget_setOnErrorHandler", Phidget_setOnErrorHandler);
}

void Phidget_library::Check(int code, const char* call)
{
    if (code != k_Ok) throw Kit_library_error(code, std::string(call) + " failed with code " + std::to_string(code));
}

bool Phidget_library::Speaks_version(const std::string& version)
{
    return version.find(k_Version_mark) != std::string::npos || version.find(k_Debug_version_mark) != std::string::npos;
}

std::string Phidget_library::Library_version() const
{
    const char* text = nullptr;
    Check(Phidget_getLibraryVersion(&text), "Phidget_getLibraryVersion");
    // A library that answers success without a text has no version we can trust.
    if (!text) throw Kit_library_error(-1, "Phidget_getLibraryVersion gave no text");
    return text;
}

} // namespace wk::platform
