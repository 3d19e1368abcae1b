#include "comlite/Hresult.h"

#include <cstdio>

namespace wk::com {

std::string Hresult_text(HRESULT hr)
{
    struct Entry { HRESULT hr; const char* text; };
    static constexpr Entry texts[] = {
        {S_OK, "The operation completed successfully."},
        {E_NOTIMPL, "Not implemented"},
        {E_NOINTERFACE, "No such interface supported"},
        {E_POINTER, "Invalid pointer"},
        {E_FAIL, "Unspecified error"},
        {E_UNEXPECTED, "Catastrophic failure"},
        {E_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
        {E_INVALIDARG, "The parameter is incorrect."},
        {E_ACCESSDENIED, "Access is denied."},
        {E_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {E_PATH_NOT_FOUND, "The system cannot find the path specified."},
        {CLASS_E_NOAGGREGATION, "Class does not support aggregation (or class object is remote)"},
        {CLASS_E_CLASSNOTAVAILABLE, "ClassFactory cannot supply requested class"},
        {REGDB_E_CLASSNOTREG, "Class not registered"},
        {CO_E_NOTINITIALIZED, "CoInitialize has not been called."},
        {CO_E_CLASSSTRING, "Invalid class string"},
        {CO_E_DLLNOTFOUND, "DLL for class not found"},
        {CO_E_ERRORINDLL, "Error in the DLL"},
        {CONNECT_E_NOCONNECTION, "There is no connection for this connection ID"},
        {SELFREG_E_CLASS, "The server could not register or unregister its classes"},
    };
    for (const auto& e : texts)
        if (e.hr == hr) return e.text;
    char text[32];
    std::snprintf(text, sizeof text, "Unknown error 0x%08X", unsigned(hr));
    return text;
}

} // namespace wk::com
