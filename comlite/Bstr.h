#pragma once
// Strings that cross between a program and a server. Ours hold UTF-8, like every string of the
// program: a 32-bit byte count sits just before the first character and a zero byte follows the
// last, so a BSTR also reads as a C string. A null BSTR is the empty text. Whoever receives a
// BSTR from an out-parameter frees it with Sys_free_string (or lets a Bstr do it).
#include "comlite/Comlite_export.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace wk::com {

using BSTR = char*;

// A new BSTR holding text (which may hold zero bytes); null when memory runs out or the text
// is longer than a 32-bit count can say.
COMLITE_API BSTR Sys_alloc_string(std::string_view text);
COMLITE_API void Sys_free_string(BSTR b);
// The length in bytes, without the closing zero.
COMLITE_API uint32_t Sys_string_len(const char* b);

inline std::string_view Bstr_view(const char* b) { return b ? std::string_view(b, Sys_string_len(b)) : std::string_view(); }

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    // Throws std::bad_alloc when the text cannot be had.
    explicit Bstr(std::string_view text) : b_(Sys_alloc_string(text))
    {
        if (!b_) throw std::bad_alloc();
    }
    static Bstr Attach(BSTR b)
    {
        Bstr s;
        s.b_ = b;
        return s;
    }
    Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept
    {
        std::swap(b_, o.b_);
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { Sys_free_string(b_); }

    BSTR Get() const { return b_; }
    BSTR Detach() { return std::exchange(b_, nullptr); }
    // For an out-parameter: what was held is freed first.
    BSTR* Put()
    {
        Sys_free_string(std::exchange(b_, nullptr));
        return &b_;
    }
    std::string_view View() const { return Bstr_view(b_); }
    std::string Str() const { return std::string(View()); }

private:
    BSTR b_ = nullptr;
};

} // namespace wk::com
