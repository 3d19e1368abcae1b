#pragma once
// Wakeline.ini: one key read or written per call, by section and key.
#include <cstdint>
#include <string>

namespace wk {

// The value, or the caller's default when it is missing or empty, or "N/A" when the default
// is empty too. At most 254 characters are read.
std::string Read_Ini_Value(const std::string& section, const std::string& key, const std::string& ini_path,
                           const std::string& default_value);
// 1 on success, 0 on failure (reported in a message box).
int16_t Write_Ini_Value(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& ini_path);

} // namespace wk
