// wakeline_regsvr [-u] LIBRARY: registers (or with -u unregisters) an in-process server in the
// registry store by calling its DllRegisterServer (DllUnregisterServer).
// Exit code: 0 done, 1 the library refused or could not be loaded, 2 wrong arguments.
// Damaged lines in the store are told of and left as they are; the registration goes on.
#include "comlite/Hresult.h"
#include "comlite/Server_entry_points.h"
#include "platform/Registry_store.h"

#include <dlfcn.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: wakeline_regsvr [-u] LIBRARY\n");
    return 2;
}

void Tell_damage()
{
    const wk::platform::Registry_store store;
    const auto lines = store.Damaged_lines();
    if (lines.empty()) return;
    std::fprintf(stderr,
                 "The registry store %s has %zu damaged line(s), the first is line %lld; they are kept as they are "
                 "and not used.\n",
                 store.Path().c_str(), lines.size(), static_cast<long long>(lines.front()));
}

} // namespace

int main(int argc, char** argv)
{
    const bool unregister = argc == 3 && std::strcmp(argv[1], "-u") == 0;
    if (argc != 2 + (unregister ? 1 : 0) || argv[argc - 1][0] == '-') return Usage();
    // Absolute, so that the server finds its own path to register.
    std::error_code ec;
    const std::string path = std::filesystem::absolute(argv[argc - 1], ec).string();
    void* library = ec ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "Could not load %s: %s\n", path.c_str(), ec ? ec.message().c_str() : dlerror());
        return 1;
    }
    Tell_damage();
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto* call = reinterpret_cast<wk::com::Dll_register_server_fn*>(dlsym(library, entry));
    if (!call) {
        std::fprintf(stderr, "%s was not found in %s.\n", entry, path.c_str());
        dlclose(library);
        return 1;
    }
    const wk::com::HRESULT hr = call();
    dlclose(library);
    if (wk::com::Failed(hr)) {
        std::fprintf(stderr, "%s in %s failed.\nReturn code was: 0x%08X (%s)\n", entry, path.c_str(), unsigned(hr),
                     wk::com::Hresult_text(hr).c_str());
        return 1;
    }
    std::printf("%s in %s succeeded.\n", entry, path.c_str());
    return 0;
}
