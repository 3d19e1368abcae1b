#include "comlite/Dispatcher.h"

namespace wk::com {
namespace {

// Lives in this shared library only, so the program and every server it loads agree on it.
thread_local std::shared_ptr<Dispatcher> t_dispatcher;

} // namespace

Dispatcher::~Dispatcher() = default;

std::shared_ptr<Dispatcher> Thread_dispatcher() { return t_dispatcher; }

void Install_thread_dispatcher(std::shared_ptr<Dispatcher> d) { t_dispatcher = std::move(d); }

} // namespace wk::com
