#pragma once
// Text is UTF-8 in memory; files that store one byte per character hold Windows-1252.
#include <optional>
#include <string>
#include <string_view>

namespace wk::platform {

// Characters that Windows-1252 lacks become '?'.
std::string Utf8_to_ansi(std::string_view utf8);
std::string Ansi_to_utf8(std::string_view ansi);

// One-byte character sets an XML file may be kept in. ISO-8859-1 files are read as Windows-1252,
// as Windows tools write them; the two agree on every character but the C1 controls. ascii stands
// for an encoding the program does not know: such a file is read only while every byte is ASCII.
enum class Byte_charset { windows_1252, iso_8859_15, ascii };

// The bytes as UTF-8; nullopt when one of them has no character in the set.
std::optional<std::string> Byte_charset_to_utf8(std::string_view bytes, Byte_charset set);
// UTF-8 from an XML document into the set. Element text and attribute values (markup false):
// characters below 0x80 and those with a byte from 0xA0 up as that byte, every other one as a
// character reference ("&#8364;"), so that no C1 byte stands in the text. Names, comments and
// CDATA (markup true), where a reference means nothing: every character as the byte that reads
// back as it. nullopt when a character cannot be written so, or the text is not UTF-8 (a code
// point beyond Unicode or in a longer form than its shortest included).
std::optional<std::string> Utf8_to_byte_charset_xml(std::string_view utf8, Byte_charset set, bool markup);

} // namespace wk::platform
