#pragma once
// Operating-system and network helpers.
#include <string>

namespace wk {

// The application-data folder. When it cannot be had, a fallback folder in the temporary
// folder is used (and said once); an error text never becomes a path.
std::string AppUserData();
// The running system's version as major & "." & two-digit minor (for example "6.01"), and its
// release text in place of the service pack; both go into recording headers.
std::string Get_OS_Version();
std::string Get_OS_Service_Pack();

} // namespace wk
