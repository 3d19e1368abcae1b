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
// the user's runtime folder (Runtime_folder). Empty when that folder is not the user's own.
std::string Instance_lock_path();
// Why no lock can be kept (the runtime folder is not the user's own), as a sentence for the
// operator; empty when it can.
std::string Instance_lock_problem();
// Lets go of the lock (tests only).
void Release_instance_lock();

} // namespace wk::platform
