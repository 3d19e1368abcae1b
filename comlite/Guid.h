#pragma once
// A GUID as COM writes it: {A2E03420-98BB-43B2-96EE-28D0CE80CE3A}.
#include "comlite/Comlite_export.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wk::com {

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    std::array<uint8_t, 8> Data4{};
    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;

namespace detail {

constexpr int Hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of count hex digits at text[at], or nullopt when one is not a digit.
constexpr std::optional<uint32_t> Hex_field(std::string_view text, size_t at, size_t count)
{
    uint32_t v = 0;
    for (size_t i = at; i < at + count; ++i) {
        const int d = Hex_digit(text[i]);
        if (d < 0) return std::nullopt;
        v = v * 16 + uint32_t(d);
    }
    return v;
}

} // namespace detail

// Reads exactly the registry's form: braces, 8-4-4-4-12 hex digits in either case.
constexpr std::optional<GUID> Parse_guid(std::string_view text)
{
    if (text.size() != 38 || text[0] != '{' || text[37] != '}') return std::nullopt;
    for (size_t dash : {9u, 14u, 19u, 24u})
        if (text[dash] != '-') return std::nullopt;
    const auto d1 = detail::Hex_field(text, 1, 8), d2 = detail::Hex_field(text, 10, 4), d3 = detail::Hex_field(text, 15, 4);
    if (!d1 || !d2 || !d3) return std::nullopt;
    GUID g{*d1, uint16_t(*d2), uint16_t(*d3), {}};
    // Data4: two bytes before the last dash, six after it.
    for (size_t i = 0; i < 8; ++i) {
        const auto b = detail::Hex_field(text, i < 2 ? 20 + 2 * i : 25 + 2 * (i - 2), 2);
        if (!b) return std::nullopt;
        g.Data4[i] = uint8_t(*b);
    }
    return g;
}

// A GUID written in the source; a malformed one does not compile.
consteval GUID Guid_literal(std::string_view text)
{
    const auto g = Parse_guid(text);
    if (!g) throw "malformed GUID";
    return *g;
}

// Upper-case hex with braces, as the registry holds it.
COMLITE_API std::string Format_guid(const GUID& g);

} // namespace wk::com
