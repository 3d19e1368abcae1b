// The trace settings of the header: defaults, what a missing trace does on reading and writing,
// the flag's text and a thickness that is no number.
#include "tests/recording/header/Header_test_support.h"

namespace wk::test {
namespace {

class Trace_settings : public Header_test {
protected:
    Trace_settings() { EXPECT_TRUE(h.Create_Header()); }
    std::string Trace_section(int id)
    {
        return Section(h.XML_string(), "<trace id=\"" + std::to_string(id) + "\">", "trace");
    }
    Cls_XML_header h;
};

TEST_F(Trace_settings, ANewHeaderHasTenTracesWithTheirDefaults)
{
    for (int16_t id = 1; id <= 10; ++id) {
        EXPECT_EQ(h.Trace_Name(id), "noname") << id;
        EXPECT_EQ(h.Trace_Color(id), "0") << id;
        EXPECT_EQ(h.Trace_Thickness(id), 1) << id;
        EXPECT_FALSE(h.Trace_Bezier(id)) << id; // the template's "f"
    }
    EXPECT_EQ(h.Trace_Name(11), "");
    EXPECT_EQ(h.Trace_Color(0), "");
    EXPECT_EQ(h.Trace_Thickness(11), 0);
    EXPECT_FALSE(h.Trace_Bezier(11));
}

TEST_F(Trace_settings, WritesGoToTheirOwnTrace)
{
    h.Trace_Bezier(3, true);
    EXPECT_TRUE(h.Trace_Bezier(3));
    EXPECT_NE(Trace_section(3).find("<trace_bezier>True</trace_bezier>"), std::string::npos);
    h.Trace_Bezier(3, false);
    EXPECT_NE(Trace_section(3).find("<trace_bezier>False</trace_bezier>"), std::string::npos);
    h.Trace_Name(4, "Bow Müller");
    h.Trace_Color(4, "16711680");
    h.Trace_Thickness(4, 5);
    EXPECT_EQ(h.Trace_Name(4), "Bow Müller");
    EXPECT_EQ(h.Trace_Color(4), "16711680");
    EXPECT_EQ(h.Trace_Thickness(4), 5);
    EXPECT_EQ(h.Trace_Name(5), "noname");
    // Through the stored text and back.
    Cls_XML_header again;
    ASSERT_TRUE(again.XML_string(h.XML_string()));
    EXPECT_EQ(again.Trace_Name(4), "Bow Müller");
    EXPECT_EQ(again.Trace_Thickness(4), 5);
    EXPECT_EQ(again.Trace_Color(4), "16711680");
}

TEST_F(Trace_settings, AMissingTraceFailsOnlyForNameAndFlag)
{
    const std::string before = h.XML_string();
    EXPECT_EQ(test::Error_number([&] { h.Trace_Name(11, "x"); }), err_Object_variable);
    EXPECT_EQ(test::Error_number([&] { h.Trace_Bezier(11, true); }), err_Object_variable);
    EXPECT_EQ(test::Error_number([&] { h.Trace_Color(11, "255"); }), 0);
    EXPECT_EQ(test::Error_number([&] { h.Trace_Thickness(11, 2); }), 0);
    EXPECT_EQ(h.XML_string(), before);
}

TEST_F(Trace_settings, AThicknessThatIsNoNumberReadsZero)
{
    std::string xml = h.XML_string();
    const std::string trace = Trace_section(2);
    std::string changed = trace;
    const size_t at = changed.find("<trace_thickness>1<");
    ASSERT_NE(at, std::string::npos);
    changed.replace(at, 19, "<trace_thickness>thick<");
    xml.replace(xml.find(trace), trace.size(), changed);
    ASSERT_TRUE(h.XML_string(xml));
    EXPECT_EQ(h.Trace_Thickness(2), 0);
    EXPECT_EQ(h.Trace_Thickness(1), 1);
}

} // namespace
} // namespace wk::test
