#pragma once
// Text is UTF-8 in memory; files that store one byte per character hold Windows-1252.
#include <string>
#include <string_view>

namespace wk::platform {

// Characters that Windows-1252 lacks become '?'.
std::string Utf8_to_ansi(std::string_view utf8);
std::string Ansi_to_utf8(std::string_view ansi);
// UTF-8 XML text into ISO-8859-1 that Windows-1252 reads alike: characters below 0x80 and from
// 0xA0 to 0xFF as their byte, every other one as a character reference ("&#8364;"). For element
// text and attribute values only: a reference means nothing inside a comment.
std::string Utf8_to_latin1_xml(std::string_view utf8);

} // namespace wk::platform
