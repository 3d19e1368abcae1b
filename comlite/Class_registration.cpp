#include "comlite/Class_registration.h"

#include "platform/Registry_store.h"

#include <dlfcn.h>
#include <filesystem>
#include <vector>

namespace wk::com {
namespace {

using platform::HKEY_CLASSES_ROOT;
using platform::REG_OK;
using platform::Registry_store;

struct Entry {
    std::string key;
    std::string name; // "" is the key's default value
    std::string value;
};

std::vector<Entry> Entries(const Class_registration& c, const std::string& library_path)
{
    const std::string clsid = Format_guid(c.clsid), appid = Format_guid(c.appid), libid = Format_guid(c.typelib);
    const std::string cls = "CLSID\\" + clsid, vi = c.version_independent_progid;
    const std::string lib = "TypeLib\\" + libid + "\\" + c.typelib_version;
    const std::string folder = std::filesystem::path(library_path).parent_path().string();
    return {
        {"AppID\\" + appid, "", c.appid_name},
        {"AppID\\" + c.module_name, "AppID", appid},
        {c.progid, "", c.description},
        {c.progid + "\\CLSID", "", clsid},
        {vi, "", c.description},
        {vi + "\\CLSID", "", clsid},
        {vi + "\\CurVer", "", c.progid},
        {cls, "", c.description},
        {cls + "\\ProgID", "", c.progid},
        {cls + "\\VersionIndependentProgID", "", vi},
        {cls + "\\InprocServer32", "", library_path},
        {cls + "\\InprocServer32", "ThreadingModel", c.threading_model},
        {cls + "\\TypeLib", "", libid},
        // The type library is a resource of the server itself.
        {lib, "", c.typelib_name},
        {lib + "\\0\\linux", "", library_path},
        {lib + "\\FLAGS", "", "0"},
        {lib + "\\HELPDIR", "", folder},
    };
}

// The keys that unregistration removes whole.
std::vector<std::string> Trees(const Class_registration& c)
{
    return {"CLSID\\" + Format_guid(c.clsid), c.progid, c.version_independent_progid,
            "TypeLib\\" + Format_guid(c.typelib), "AppID\\" + Format_guid(c.appid), "AppID\\" + c.module_name};
}

// A tree never there is no failure.
bool Delete_tree(Registry_store& store, const std::string& key)
{
    const int32_t result = store.Delete_tree(HKEY_CLASSES_ROOT, key);
    return result == REG_OK || result == platform::REG_NOT_FOUND;
}

// Walks up from key and removes each parent left with nothing in it; the AppID root stays.
void Prune_parents(Registry_store& store, std::string key)
{
    for (size_t cut = key.rfind('\\'); cut != std::string::npos; cut = key.rfind('\\')) {
        key.resize(cut);
        if (key == "AppID") return;
        const auto subkeys = store.Subkey_names(HKEY_CLASSES_ROOT, key);
        const auto values = store.Value_names(HKEY_CLASSES_ROOT, key);
        if (!subkeys || !subkeys->empty() || !values || !values->empty()) return;
        store.Delete_key(HKEY_CLASSES_ROOT, key);
    }
}

// A path the store's one-byte text cannot hold would come back as another path.
bool Survives_store(const std::string& text)
{
    return Registry_store::Value_text(Registry_store::Text_value(text)) == text;
}

} // namespace

HRESULT Register_class(const Class_registration& c, const std::string& library_path)
{
    if (!std::filesystem::path(library_path).is_absolute() || !Survives_store(library_path)) return SELFREG_E_CLASS;
    if (Failed(Unregister_class(c))) return SELFREG_E_CLASS;
    Registry_store store;
    for (const auto& e : Entries(c, library_path)) {
        if (store.Set_value(HKEY_CLASSES_ROOT, e.key, e.name, Registry_store::Text_value(e.value)) != REG_OK) {
            Unregister_class(c);
            return SELFREG_E_CLASS;
        }
    }
    return S_OK;
}

HRESULT Unregister_class(const Class_registration& c)
{
    Registry_store store;
    bool all_gone = true;
    for (const auto& tree : Trees(c)) {
        if (!Delete_tree(store, tree)) all_gone = false;
        else Prune_parents(store, tree);
    }
    return all_gone ? S_OK : SELFREG_E_CLASS;
}

std::string Module_path(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname || !*info.dli_fname) return {};
    std::error_code ec;
    auto path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string() : path.string();
}

} // namespace wk::com
