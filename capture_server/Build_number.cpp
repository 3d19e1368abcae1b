#include "capture_server/Build_number.h"

namespace wk {

const char* Build_number() { return __DATE__ " " __TIME__; }

} // namespace wk
