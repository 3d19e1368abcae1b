#pragma once
// What keeps the server's library in use: live objects, LockServer locks and references on the
// class factory. DllCanUnloadNow answers S_OK only when there are none.
namespace wk {

void Module_lock();
void Module_unlock();
bool Module_in_use();

} // namespace wk
