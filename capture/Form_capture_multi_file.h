#pragma once
// The capture window.
#include "platform/Form_window.h"

namespace wk {

class Form_capture_multi_file final : public platform::Form_window {
public:
    Form_capture_multi_file();
};

} // namespace wk
