#include "services/Module_ini_keys.h"

#include "platform/Folders.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <charconv>
#include <limits>

namespace wk {
namespace {

template <class T> std::string Default_of(const Ini_key<T>& key)
{
    if (key.default_from == Ini_default::Home_folder) return platform::Home_folder().string();
    return std::string(key.default_text);
}

template <class T> std::string Stored_text(const Ini_key<T>& key)
{
    return Read_Ini_Value(std::string(key.section), std::string(key.key), Ini_file_path, Default_of(key));
}

template <class T> T Stored_number(const Ini_key<T>& key)
{
    return static_cast<T>(Ini_whole_number(Stored_text(key), std::string(key.key), std::numeric_limits<T>::min(),
                                           std::numeric_limits<T>::max()));
}

template <class T> int16_t Store_text(const Ini_key<T>& key, const std::string& value)
{
    return Write_Ini_Value(std::string(key.section), std::string(key.key), value, Ini_file_path);
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string Read_setting(const Ini_key<std::string>& key) { return Stored_text(key); }
bool Read_setting(const Ini_key<bool>& key) { return Text_To_Bool(Stored_text(key)); }
int16_t Read_setting(const Ini_key<int16_t>& key) { return Stored_number(key); }
int32_t Read_setting(const Ini_key<int32_t>& key) { return Stored_number(key); }

std::string Read_setting(const Ini_keys_by_name<std::string>& keys, const std::string& name)
{
    return Read_Ini_Value(std::string(keys.section), name, Ini_file_path, std::string(keys.default_text));
}

int16_t Write_setting(const Ini_key<std::string>& key, const std::string& value) { return Store_text(key, value); }
int16_t Write_setting(const Ini_key<bool>& key, bool value) { return Store_text(key, Bool_To_Text(value)); }
int16_t Write_setting(const Ini_key<int16_t>& key, int16_t value) { return Store_text(key, std::to_string(value)); }
int16_t Write_setting(const Ini_key<int32_t>& key, int32_t value) { return Store_text(key, std::to_string(value)); }

int16_t Write_setting(const Ini_keys_by_name<std::string>& keys, const std::string& name, const std::string& value)
{
    return Write_Ini_Value(std::string(keys.section), name, value, Ini_file_path);
}

int64_t Ini_whole_number(const std::string& text, const std::string& name, int64_t lowest, int64_t highest)
{
    std::string s = Trimmed(text);
    if (s.size() > 1 && s[0] == '+' && s[1] != '-') s.erase(0, 1);
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    const bool all_digits = !s.empty() && end == s.data() + s.size();
    if (!all_digits || (ec != std::errc() && ec != std::errc::result_out_of_range))
        throw Run_time_error(err_Type_mismatch, "Type mismatch: " + name + " holds \"" + text + "\"");
    if (ec == std::errc::result_out_of_range || value < lowest || value > highest)
        throw Run_time_error(err_Overflow, "Overflow: " + name + " holds \"" + text + "\"");
    return value;
}

} // namespace wk
