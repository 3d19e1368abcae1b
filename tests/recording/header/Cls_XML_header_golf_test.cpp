// The golf section: template defaults, the grade record, animation lines and graph objects, the
// flag texts they accept, and a header without the section.
#include "tests/recording/header/Header_test_support.h"

#include "services/Run_time_error.h"

#include <array>

namespace wk::test {
namespace {

// The fifteen values of one graph object, in the accessors' argument order.
struct Shape {
    int16_t obj_type = -7, layer = -7;
    int32_t color = -7;
    int16_t linetype = -7, linewidth = -7;
    bool filled = true;
    std::array<int16_t, 8> xy{-7, -7, -7, -7, -7, -7, -7, -7};
    bool operator==(const Shape&) const = default;
};

void Save(Cls_XML_header& h, int16_t id, const Shape& s)
{
    h.Graph_object(id, s.obj_type, s.layer, s.color, s.linetype, s.linewidth, s.filled, s.xy[0], s.xy[1], s.xy[2],
                   s.xy[3], s.xy[4], s.xy[5], s.xy[6], s.xy[7]);
}

void Load(const Cls_XML_header& h, int16_t id, Shape& s)
{
    h.get_Graph_object(id, s.obj_type, s.layer, s.color, s.linetype, s.linewidth, s.filled, s.xy[0], s.xy[1], s.xy[2],
                       s.xy[3], s.xy[4], s.xy[5], s.xy[6], s.xy[7]);
}

class Golf : public Header_test {
protected:
    Golf()
    {
        h.Golfing(true);
        EXPECT_TRUE(h.Create_Header());
    }
    // Loads the header text with the first occurrence of `from` replaced by `to`.
    void Load_replacing(const std::string& from, const std::string& to)
    {
        std::string xml = h.XML_string();
        const size_t at = xml.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        xml.replace(at, from.size(), to);
        ASSERT_TRUE(h.XML_string(xml));
    }

    Cls_XML_header h;
};

TEST_F(Golf, ANewGolfHeaderReadsItsTemplate)
{
    EXPECT_EQ(h.Player_name(), "xxx");
    EXPECT_EQ(h.Venue(), "xxx");
    EXPECT_EQ(h.Player_Comment(), "xxx");
    EXPECT_EQ(h.Impact_field(), 0);
    EXPECT_EQ(h.Top_field(), 0);
    EXPECT_EQ(h.trimmed_Start_Field(), 0);
    EXPECT_EQ(h.trimmed_End_Field(), 0);
    EXPECT_FALSE(h.Has_weight_data());
    EXPECT_FALSE(h.Graded_active()); // template "f"
    EXPECT_EQ(h.Graded_at(), " ");
    EXPECT_EQ(h.Grade_slice(), "99");
    EXPECT_EQ(h.Grade_direction(), "99");
    EXPECT_EQ(h.Grade_top(), "99");
    EXPECT_EQ(h.Grade_toe(), "99");
    EXPECT_EQ(h.Grade_club(), "xx");
    EXPECT_EQ(h.Grade_comment(), "xxx");
    EXPECT_EQ(h.anp_filename(), "000");
    EXPECT_EQ(h.anp_numlines(), 0);
    EXPECT_EQ(h.anp_line(1), "");
    EXPECT_EQ(h.anp_line(150), "");
    EXPECT_THROW(h.anp_line(151), Run_time_error);
    EXPECT_THROW(h.anp_line(0), Run_time_error);
    EXPECT_THROW(h.anp_line(151, "x"), Run_time_error);
}

TEST_F(Golf, AGraphObjectReadsZerosUntilWrittenThenEveryValueComesBack)
{
    Shape s;
    Load(h, 1, s);
    EXPECT_EQ(s, (Shape{0, 0, 0, 0, 0, false, {0, 0, 0, 0, 0, 0, 0, 0}}));

    // Argument order differs from the stored order; a colour needs more than 16 bits.
    const Shape written{3, 2, 0x00FF8040, 1, 5, true, {-10, 20, 32767, -32768, 5, 6, 7, 8}};
    Save(h, 25, written);
    Shape back;
    Load(h, 25, back);
    EXPECT_EQ(back, written);
    const std::string object = Section(h.XML_string(), "<graph_object id=\"25\">", "graph_object");
    EXPECT_NE(object.find("<obj_type>3</obj_type>\r\n<layer>2</layer>\r\n<filled>True</filled>\r\n"
                          "<color>16744512</color>\r\n<linetype>1</linetype>\r\n<linewidth>5</linewidth>\r\n"
                          "<x1>-10</x1>\r\n<y1>20</y1>\r\n"),
              std::string::npos)
        << object;
    // The fields without accessors keep their template text.
    EXPECT_NE(object.find("<x5>000</x5>"), std::string::npos);

    Load(h, 1, back);
    EXPECT_FALSE(back.filled) << "object 25 must not change object 1";
    Save(h, 25, Shape{0, 0, 0, 0, 0, false, {}});
    Load(h, 25, back);
    EXPECT_FALSE(back.filled);
}

TEST_F(Golf, AGraphObjectOutsideTheRecordsFailsBeforeTouchingAnything)
{
    const std::string before = h.XML_string();
    Shape s;
    EXPECT_EQ(Error_number([&] { Load(h, 26, s); }), err_Object_variable);
    EXPECT_EQ(s, Shape{}) << "no output may be set";
    EXPECT_THROW(Load(h, 0, s), Run_time_error);
    EXPECT_THROW(Save(h, 26, Shape{}), Run_time_error);
    EXPECT_EQ(h.XML_string(), before);
}

TEST_F(Golf, FilledReadsBooleanTextsAndNumbersAndRefusesOtherText)
{
    const std::string stored = "<filled>f</filled>";
    const std::vector<std::pair<std::string, bool>> texts = {
        {"f", false}, {"False", false}, {"FALSE", false}, {"0", false}, {" 0.0 ", false},
        {"True", true}, {"true", true},   {"-1", true},    {"2", true},  {"0.5", true},
        {"t", true}, // every header flag reads the template's "t" as True
    };
    for (const auto& [text, value] : texts) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(h.Create_Header());
        Load_replacing(stored, "<filled>" + text + "</filled>");
        Shape s;
        Load(h, 1, s);
        EXPECT_EQ(s.filled, value);
    }
    for (const std::string text : {"yes", "", "1x", "nan"}) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(h.Create_Header());
        Load_replacing(stored, "<filled>" + text + "</filled>");
        Shape s;
        EXPECT_EQ(Error_number([&] { Load(h, 1, s); }), err_Type_mismatch);
        // Read in stored order: obj_type and layer before filled, colour after it.
        EXPECT_EQ(s.obj_type, 0);
        EXPECT_EQ(s.layer, 0);
        EXPECT_EQ(s.color, -7);
    }
}

TEST_F(Golf, FieldNumbersOfLongRecordingsAndTheirLimits)
{
    h.Impact_field(40000);
    h.Top_field(-3);
    h.trimmed_Start_Field(70000);
    h.trimmed_End_Field(123456);
    EXPECT_EQ(h.Impact_field(), 40000);
    EXPECT_EQ(h.Top_field(), -3);
    EXPECT_EQ(h.trimmed_Start_Field(), 70000);
    EXPECT_EQ(h.trimmed_End_Field(), 123456);
    EXPECT_NE(h.XML_string().find("<impact_field>40000</impact_field>"), std::string::npos);

    Load_replacing("<top_field>-3</top_field>", "<top_field>3000000000</top_field>");
    EXPECT_EQ(Error_number([&] { (void)h.Top_field(); }), err_Overflow);
    Load_replacing("<impact_field>40000</impact_field>", "<impact_field>xxx</impact_field>");
    EXPECT_EQ(Error_number([&] { (void)h.Impact_field(); }), err_Type_mismatch);
    // anp_file_lines stays 16-bit: a file has at most 150 lines.
    Load_replacing("<anp_file_lines>000</anp_file_lines>", "<anp_file_lines>40000</anp_file_lines>");
    EXPECT_EQ(Error_number([&] { (void)h.anp_numlines(); }), err_Overflow);
}

TEST_F(Golf, FlagsAreWrittenTrueOrFalseAndTheGradesAsText)
{
    h.Graded_active(true);
    h.Has_weight_data(true);
    h.Grade_toe("");
    h.Graded_at("26-12-08 10:00:00");
    const std::string text = h.XML_string();
    EXPECT_NE(text.find("<b_grade_active>True</b_grade_active>"), std::string::npos);
    EXPECT_NE(text.find("<b_has_weightdata>True</b_has_weightdata>"), std::string::npos);
    EXPECT_NE(text.find("<graded_at>26-12-08 10:00:00</graded_at><slice_grade>99</slice_grade>"), std::string::npos);
    EXPECT_NE(text.find("<toe_grade/>"), std::string::npos);
    EXPECT_TRUE(h.Graded_active());
    h.Graded_active(false);
    EXPECT_FALSE(h.Graded_active());
    EXPECT_NE(h.XML_string().find("<b_grade_active>False</b_grade_active>"), std::string::npos);
}

TEST_F(Golf, WithoutTheGolfSectionOnlyTheTwoTolerantGradesAnswer)
{
    h.Golfing(false);
    ASSERT_TRUE(h.Create_Header());
    EXPECT_EQ(h.XML_string().find("<golf>"), std::string::npos);
    const std::string before = h.XML_string();

    EXPECT_EQ(h.Grade_slice(), "");
    EXPECT_EQ(h.Grade_direction(), "");
    EXPECT_EQ(Error_number([&] { (void)h.Impact_field(); }), err_Object_variable);
    EXPECT_THROW((void)h.Player_name(), Run_time_error);
    EXPECT_THROW((void)h.Graded_active(), Run_time_error);
    EXPECT_THROW((void)h.Grade_club(), Run_time_error);
    EXPECT_THROW((void)h.Has_weight_data(), Run_time_error);
    EXPECT_THROW((void)h.anp_line(1), Run_time_error);
    EXPECT_THROW((void)h.trimmed_End_Field(), Run_time_error);
    Shape s;
    EXPECT_THROW(Load(h, 1, s), Run_time_error);
    EXPECT_EQ(s, Shape{});

    EXPECT_THROW(h.Grade_slice("1"), Run_time_error);
    EXPECT_THROW(h.Venue("x"), Run_time_error);
    EXPECT_THROW(h.Top_field(5), Run_time_error);
    EXPECT_EQ(h.XML_string(), before);
    EXPECT_TRUE(errors.reports.empty()) << "errors go to the caller, not to the report";
}

} // namespace
} // namespace wk::test
