#pragma once
// What the header tests share: a fixed clock and identity, a captured error report, and
// sections cut out of a header text.
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"
#include "tests/support/Test_support.h"

#include <string>
#include <vector>

namespace wk::test {

// Identity texts of a known length: 7 + 22 + 1 + 1 + 1 + 23 = 55 characters.
inline Header_identity Fixed_identity()
{
    Header_identity id;
    id.Comp_name = "RACEPC1";
    id.Prog_id = "Wakeline, Full version";
    id.Prog_version = "Compiled";
    id.Prog_major = "3";
    id.Prog_minor = "0";
    id.Prog_revision = "8";
    id.OS_version = "5.01Service Pack 3 Home";
    return id;
}
inline constexpr size_t k_Identity_chars = 55;

class Header_test : public ::testing::Test {
protected:
    Header_test()
    {
        clock.now = {2026, 12, 8, 9, 5, 7, 0};
        Install_header_identity([] { return Fixed_identity(); });
    }
    ~Header_test() override { Install_header_identity(nullptr); }

    Temp_home home;
    Manual_clock clock;
    test::Captured_reports errors;
};

// The text from the start tag that begins with open up to and including the matching end tag
// of name (records of one name do not nest).
inline std::string Section(const std::string& text, const std::string& open, const std::string& name)
{
    const size_t b = text.find(open);
    if (b == std::string::npos) return {};
    const std::string close = "</" + name + ">";
    const size_t e = text.find(close, b);
    if (e == std::string::npos) return {};
    return text.substr(b, e + close.size() - b);
}

inline size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + part.size())) ++n;
    return n;
}

} // namespace wk::test
