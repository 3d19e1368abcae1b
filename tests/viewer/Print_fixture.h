#pragma once
// What print tests share: a printer port whose printer is a recorder (and whose PDF files are
// real), and the program's print state put back after each test.
#include "platform/Forms.h"
#include "platform/Print_target.h"
#include "platform/Qt_printer.h"
#include "services/Module_qsm_Globals.h"

#include <memory>
#include <string>

namespace wk::test {

class Test_printers final : public platform::Printer_port {
public:
    int count = 1;
    std::string name = "Office_laser";
    std::shared_ptr<platform::Recording_print_target> printer = std::make_shared<platform::Recording_print_target>();
    int facts_asked = 0;
    platform::Printer_facts Facts() override
    {
        ++facts_asked;
        return {count, 11904, 16834};
    }
    std::string Printer_name() override { return count > 0 ? name : std::string(); }
    std::shared_ptr<platform::Print_target> Open_printer() override
    {
        return count > 0 ? printer : nullptr;
    }
    std::shared_ptr<platform::Print_target> Open_pdf(const std::string& path, double width, double height) override
    {
        return platform::Open_pdf_file(path, width, height);
    }
};

// Declared in a fixture, it leaves no print state behind for the next test.
struct Print_state_reset {
    ~Print_state_reset()
    {
        g_Print_target.reset();
        g_Print_preview = false;
        g_Print_title.clear();
        g_Print_footer.clear();
        g_Event_logo.clear();
        g_Event_logo_loaded = false;
        Logo_bottom_y = File_block_top_y = File_block_bottom_y = Print_top_y = 0;
        g_Printer_count = -1; // not read, as when the program starts
        platform::Install_printer_port(nullptr);
        platform::Install_print_preview_port(nullptr);
    }
};

} // namespace wk::test
