#pragma once
// Text is UTF-8 in memory; files that store one byte per character hold Windows-1252.
#include <string>
#include <string_view>

namespace wk::platform {

// Characters that Windows-1252 lacks become '?'.
std::string Utf8_to_ansi(std::string_view utf8);
std::string Ansi_to_utf8(std::string_view ansi);

} // namespace wk::platform
