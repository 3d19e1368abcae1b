#include "services/Startup_problem.h"

namespace wk {

std::string Startup_problem::Text() const
{
    switch (kind) {
    case Kind::Ini_missing: return "Wakeline.ini not found";
    case Kind::Kit_version_wrong: return "Wrong Phidget versions found!\r\n" + detail;
    case Kind::Kit_unusable: return "Phidget software error!";
    case Kind::No_dv_codec:
        return "No DV codec installed!\r\nPlease follow the installation instructions!\r\n"
               "The DV codec is included in the installation files!";
    }
    return {};
}

} // namespace wk
