#pragma once
#include "platform/Print_target.h"

namespace wk::platform {

// The installed printers through Qt (CUPS); jobs go to the default printer, or into PDF files.
class Qt_printer_port final : public Printer_port {
public:
    Printer_facts Facts() override;
    std::string Printer_name() override;
    std::shared_ptr<Print_target> Open_printer() override;
    std::shared_ptr<Print_target> Open_pdf(const std::string& path, double width_twips, double height_twips) override;
};

// A job into a PDF file with one page size (twips); the file is written when the job ends.
// Drawing raises Printer_fault when the file cannot be made.
std::shared_ptr<Print_target> Open_pdf_file(const std::string& path, double width_twips, double height_twips);

} // namespace wk::platform
