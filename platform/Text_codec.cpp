#include "platform/Text_codec.h"

#include <array>
#include <cstdint>
#include <utility>

namespace wk::platform {
namespace {

// Code points of bytes 0x80..0x9F in Windows-1252; 0 where the byte is undefined.
constexpr std::array<char32_t, 32> k_high = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// Bytes from 0xA0 on that ISO-8859-15 gives other characters than ISO-8859-1.
constexpr std::pair<uint8_t, char32_t> k_latin9[] = {{0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161},
                                                     {0xB4, 0x017D}, {0xB8, 0x017E}, {0xBC, 0x0152},
                                                     {0xBD, 0x0153}, {0xBE, 0x0178}};

// The character a byte stands for in the set; 0 for none. Windows-1252 reads the five bytes it
// leaves undefined as the C1 controls of the same number, so that they survive a round trip.
char32_t Char_of(uint8_t b, Byte_charset set)
{
    if (b < 0x80) return b;
    switch (set) {
    case Byte_charset::windows_1252:
        return b <= 0x9F && k_high[b - 0x80] ? k_high[b - 0x80] : b;
    case Byte_charset::iso_8859_15:
        for (const auto& [byte, cp] : k_latin9)
            if (byte == b) return cp;
        return b;
    case Byte_charset::ascii:
        return 0;
    }
    return 0;
}

// The byte that reads as cp in the set; nullopt when there is none.
std::optional<uint8_t> Byte_of(char32_t cp, Byte_charset set)
{
    if (cp < 0x80) return uint8_t(cp);
    for (unsigned b = 0x80; b <= 0xFF; ++b)
        if (Char_of(uint8_t(b), set) == cp) return uint8_t(b);
    return std::nullopt;
}

void Append_utf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char Ansi_of(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (size_t i = 0; i < k_high.size(); ++i)
        if (k_high[i] == cp && cp != 0) return static_cast<char>(0x80 + i);
    return '?';
}

// The code point at s[i] and its length in bytes; false (length 1) when the bytes there are not
// UTF-8, or the sequence is cut off at the end (length: what is left).
bool Decode_utf8(std::string_view s, size_t i, char32_t& cp, size_t& len)
{
    const auto c = static_cast<uint8_t>(s[i]);
    if (c < 0x80) { cp = c; len = 1; return true; }
    if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
    else { len = 1; return false; }
    if (i + len > s.size()) { len = s.size() - i; return false; }
    for (size_t k = 1; k < len; ++k) {
        const auto cc = static_cast<uint8_t>(s[i + k]);
        if ((cc & 0xC0) != 0x80) { len = 1; return false; }
        cp = (cp << 6) | (cc & 0x3F);
    }
    return true;
}

size_t Utf8_length(char32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

// The text with each character put in its new form; bytes that are not UTF-8 become '?'.
template <class Put> std::string Recode(std::string_view s, Put put)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        size_t len = 1;
        if (Decode_utf8(s, i, cp, len)) put(out, cp);
        else out += '?';
        i += len;
    }
    return out;
}

} // namespace

std::string Utf8_to_ansi(std::string_view s)
{
    return Recode(s, [](std::string& out, char32_t cp) { out += Ansi_of(cp); });
}

std::string Ansi_to_utf8(std::string_view s) { return *Byte_charset_to_utf8(s, Byte_charset::windows_1252); }

std::optional<std::string> Byte_charset_to_utf8(std::string_view s, Byte_charset set)
{
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        const auto c = static_cast<uint8_t>(ch);
        const char32_t cp = Char_of(c, set);
        if (cp == 0 && c != 0) return std::nullopt;
        Append_utf8(out, cp);
    }
    return out;
}

std::optional<std::string> Utf8_to_byte_charset_xml(std::string_view s, Byte_charset set, bool markup)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        size_t len = 1;
        // Only the shortest form of a Unicode character: a longer one would come back shorter.
        if (!Decode_utf8(s, i, cp, len) || cp > 0x10FFFF || len != Utf8_length(cp)) return std::nullopt;
        const std::optional<uint8_t> b = Byte_of(cp, set);
        if (b && (markup || *b < 0x80 || *b >= 0xA0)) out += static_cast<char>(*b);
        else if (markup) return std::nullopt;
        else out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
        i += len;
    }
    return out;
}

} // namespace wk::platform
