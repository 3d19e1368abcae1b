#include "capture_server/Server_module.h"

#include <atomic>

namespace wk {
namespace {

std::atomic<long> g_locks{0};

} // namespace

void Module_lock() { ++g_locks; }
void Module_unlock() { --g_locks; }
bool Module_in_use() { return g_locks.load() != 0; }

} // namespace wk
