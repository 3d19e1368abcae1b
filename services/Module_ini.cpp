#include "services/Module_ini.h"

#include "platform/Ini_file.h"
#include "services/Module_canoe.h"
#include "services/Module_qsm_Globals.h"
#include "services/Operator_port.h"

#include <cerrno>
#include <cstring>

namespace wk {

std::string Read_Ini_Value(const std::string& section, const std::string& key, const std::string& ini_path,
                           const std::string& default_value)
{
    try {
        // A read never starts the program's initialisation: without a path it takes the one the
        // initialisation made, if any.
        const std::string path = ini_path.empty() ? Ini_file_path : ini_path;
        if (path.empty()) {
            Station_operator().Notice("Ini_file_path is empty!");
            return "";
        }
        std::string value = platform::Get_profile_string(section, key, "", path, 255);
        if (value.empty()) value = default_value.empty() ? "N/A" : default_value;
        return value;
    } catch (...) {
        return "";
    }
}

int16_t Write_Ini_Value(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& ini_path)
{
    try {
        int error = 0;
        const int result = platform::Write_profile_string(section, key, value, ini_path, error);
        if (result != 1) {
            std::string why = error == EINVAL ? "a value holding a line break, or a key holding \"=\", \"[\" or "
                                                "\"]\", cannot be stored"
                                              : std::strerror(error);
            Station_operator().Notice("Writing to INI file failed! Path = " + ini_path + "\r\n" + " Error = " +
                                          std::to_string(error) + " " + why,
                                      " QSM Error");
        }
        return static_cast<int16_t>(result);
    } catch (...) {
        return 0;
    }
}

} // namespace wk
