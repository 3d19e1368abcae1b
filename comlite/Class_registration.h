#pragma once
// A server's registration of one creatable class under HKEY_CLASSES_ROOT in the registry store:
// the class key with its library, the two ProgIDs, the type library and the AppID.
#include "comlite/Guid.h"
#include "comlite/Hresult.h"

#include <string>

namespace wk::com {

struct Class_registration {
    CLSID clsid;
    std::string description;
    std::string progid;                     // versioned, "Server.Class.1"
    std::string version_independent_progid; // its CurVer names the versioned one
    std::string threading_model;
    GUID typelib;
    std::string typelib_version; // "1.0"
    std::string typelib_name;
    GUID appid;
    std::string appid_name;
    std::string module_name; // the library's file name, keyed under AppID
};

// Writes every key, replacing what an earlier registration of the class left. library_path must
// be absolute. SELFREG_E_CLASS, with nothing left behind, when the store cannot take it.
COMLITE_API HRESULT Register_class(const Class_registration& c, const std::string& library_path);
// Removes all of it but the AppID root itself, and the parents it leaves empty.
COMLITE_API HRESULT Unregister_class(const Class_registration& c);

// The absolute path of the loaded library (or program) that holds address; empty when unknown.
COMLITE_API std::string Module_path(const void* address);

} // namespace wk::com
