#pragma once
// Whether another copy of the program runs for this user: a lock file in the user's runtime
// folder, held as long as the process lives. A lock left by a process that died is free again,
// since the system drops the lock with the process.
#include <string>

namespace wk::platform {

// Takes the lock on first call; true when another running copy holds it. Once this process
// holds it, later calls give false.
bool Previous_instance();
// Where the lock lies: the application-data folder when WAKELINE_HOME moves everything, else
// $XDG_RUNTIME_DIR (or the temporary folder) with the user's id in the name.
std::string Instance_lock_path();
// Lets go of the lock (tests only).
void Release_instance_lock();

} // namespace wk::platform
