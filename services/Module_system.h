#pragma once
// Operating-system and network helpers.
#include <string>

namespace wk {

// The application-data folder. When it cannot be had, a fallback folder in the temporary
// folder is used (and said once); an error text never becomes a path.
std::string AppUserData();

} // namespace wk
