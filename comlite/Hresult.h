#pragma once
// HRESULT: a 32-bit result whose sign bit says failure; the values are Windows' own, so that
// numbers in traces and error texts read the same as anywhere else COM is spoken.
#include "comlite/Comlite_export.h"

#include <cstdint>
#include <string>

namespace wk::com {

using HRESULT = int32_t;

constexpr HRESULT Hresult_of(uint32_t bits) { return static_cast<HRESULT>(bits); }
constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = Hresult_of(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = Hresult_of(0x80004002);
inline constexpr HRESULT E_POINTER = Hresult_of(0x80004003);
inline constexpr HRESULT E_FAIL = Hresult_of(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = Hresult_of(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = Hresult_of(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = Hresult_of(0x80070057);
inline constexpr HRESULT E_ACCESSDENIED = Hresult_of(0x80070005);
// The system's file errors as results (HRESULT_FROM_WIN32 of ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND).
inline constexpr HRESULT E_FILE_NOT_FOUND = Hresult_of(0x80070002);
inline constexpr HRESULT E_PATH_NOT_FOUND = Hresult_of(0x80070003);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = Hresult_of(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = Hresult_of(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = Hresult_of(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = Hresult_of(0x800401F0);
inline constexpr HRESULT CO_E_CLASSSTRING = Hresult_of(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = Hresult_of(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = Hresult_of(0x800401F9);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = Hresult_of(0x80040200);
inline constexpr HRESULT SELFREG_E_CLASS = Hresult_of(0x80040201);

// The system's text for a result, as error messages quote it; "Unknown error 0x8xxxxxxx" for
// results it has no text for.
COMLITE_API std::string Hresult_text(HRESULT hr);

} // namespace wk::com
