#pragma once
// The photo-finish viewer window.
#include "platform/Form_window.h"

namespace wk {

class Frm_kanot_2 final : public platform::Form_window {
public:
    Frm_kanot_2();
    void Form_Load();

protected:
    void Form_Unload() override;
};

} // namespace wk
