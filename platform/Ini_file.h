#pragma once
// Private profile files with the Windows semantics the settings rely on: sections and keys
// compared without regard to case, the first match wins, blanks around keys and values trimmed,
// one pair of enclosing quotes dropped, reads cut to the buffer size less one. Writes replace a
// key in place, add a new key at the end of its section, a new section at the end of the file,
// and create the file. On disk: Windows-1252 with CR LF.
#include <string>
#include <string_view>

namespace wk::platform {

// Reads one value; the default when the file, section or key is missing. At most
// buffer_size - 1 characters (Windows-1252 bytes) of the value are returned, as UTF-8.
std::string Get_profile_string(std::string_view section, std::string_view key, std::string_view default_value,
                               const std::string& path, size_t buffer_size = 255);

// Writes one value. Returns 1 on success, 0 on failure with error set to the errno-style code.
// A value holding a line break, or a section or key that would not read back, is refused
// (EINVAL) and the file is left as it was.
int Write_profile_string(std::string_view section, std::string_view key, std::string_view value,
                         const std::string& path, int& error);

} // namespace wk::platform
