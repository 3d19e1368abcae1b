#pragma once
#include "platform/Print_target.h"

namespace wk::platform {

// The installed printers through Qt (CUPS); jobs go to the default printer.
class Qt_printer_port final : public Printer_port {
public:
    Printer_facts Facts() override;
    std::shared_ptr<Print_target> Open_printer() override;
};

} // namespace wk::platform
