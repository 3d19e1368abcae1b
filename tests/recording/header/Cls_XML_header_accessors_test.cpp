// The file data, stream and race data fields: defaults of a new header, what is tolerant and what
// raises, number and flag conversions, the record indexes and their limits.
#include "tests/recording/header/Header_test_support.h"

#include "results/Time_codes.h"
#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"

#include <climits>

namespace wk::test {
namespace {

class Accessors : public Header_test {
protected:
    Accessors() { EXPECT_TRUE(h.Create_Header()); }

    // Replaces the text of the first element of that name in the stored text and loads it.
    void Load_with(const std::string& element, const std::string& text)
    {
        std::string xml = h.XML_string();
        const size_t b = xml.find("<" + element + ">");
        const size_t e = xml.find("</" + element + ">", b);
        ASSERT_NE(b, std::string::npos) << element;
        ASSERT_NE(e, std::string::npos) << element;
        xml.replace(b, e - b, "<" + element + ">" + text);
        ASSERT_TRUE(h.XML_string(xml));
    }
    // The stored text of the first element of that name.
    std::string Stored(const std::string& element)
    {
        const std::string xml = h.XML_string();
        return Section(xml, "<" + element + ">", element);
    }
    // Loads a header that lacks the named section.
    void Load_without(const std::string& section)
    {
        std::string xml = h.XML_string();
        const std::string whole = Section(xml, "<" + section + ">", section);
        ASSERT_FALSE(whole.empty()) << section;
        xml.erase(xml.find(whole), whole.size());
        ASSERT_TRUE(h.XML_string(xml));
    }


    Cls_XML_header h;
};

TEST_F(Accessors, ANewHeaderReadsItsDefaults)
{
    EXPECT_EQ(h.Camera_pos(1), "xxxxx");
    EXPECT_EQ(h.Stream_CameraPos(1), 0);
    EXPECT_EQ(h.Frames_no(), 0);
    EXPECT_EQ(h.Streams_no(), 1);
    EXPECT_EQ(h.Timing_Bias(), "000");
    EXPECT_EQ(h.Update_Time(), "not updated");
    EXPECT_EQ(h.Creation_date(), "26-12-08 09:05:07");
    EXPECT_EQ(h.Comp_name(), "RACEPC1");
    EXPECT_EQ(h.prog_id(), "Wakeline, Full version");
    EXPECT_EQ(h.Prog_Major() + h.Prog_Minor() + h.Prog_Revision(), "308");
    EXPECT_EQ(h.OS_version(), "5.01Service Pack 3 Home");
    EXPECT_EQ(h.Subject_name(), "0000");
    EXPECT_EQ(h.comment(5), "0000");
    EXPECT_EQ(h.SpecApp(), "None");
    EXPECT_FALSE(h.Stream_Active(2));
    EXPECT_EQ(h.Model_FileName(2), "xxx");
    EXPECT_EQ(h.Camera_ID(1), "000");
    EXPECT_EQ(h.Event_name(), "nnn");
    EXPECT_EQ(h.Num_Lanes(), 0);
    EXPECT_EQ(h.heats_num(), 5);
    EXPECT_EQ(h.Start_lane(), 1);
    EXPECT_TRUE(h.Lanes_Visible()); // the template's "t"
    EXPECT_FALSE(h.Lanes_flipped());
    EXPECT_FALSE(h.Show_goalline());
    for (int16_t heat = 1; heat <= 5; ++heat) {
        EXPECT_EQ(h.Heat_comment(heat), ""); // never the second comment's "nnn"
        EXPECT_EQ(h.Heat_ID(heat), "");
        for (int16_t lane = 0; lane <= 15; ++lane) EXPECT_EQ(h.Heat_result(heat, lane), 0);
    }
    EXPECT_EQ(h.Wakeline_Marathon_Class_Name(30), "");
}

TEST_F(Accessors, TolerantFieldsAnswerOnAnEmptyDocumentWhereStrictOnesRaise)
{
    Cls_XML_header empty;
    EXPECT_EQ(empty.Timing_Bias(), "0");
    EXPECT_EQ(empty.OS_version(), "");
    EXPECT_EQ(empty.Subject_name(), "");
    EXPECT_EQ(empty.comment(1), "");
    EXPECT_EQ(empty.SpecApp(), "None");
    EXPECT_EQ(empty.Selection_start(1), 0);
    EXPECT_EQ(empty.Selection_end(1), 0);
    EXPECT_TRUE(empty.Lanes_Visible());
    EXPECT_EQ(empty.Camera_ID(4), "");

    EXPECT_EQ(test::Error_number([&] { empty.Frames_no(); }), err_Object_variable);
    EXPECT_THROW(empty.Comp_name(), Run_time_error);
    EXPECT_THROW(empty.Stream_Active(1), Run_time_error);
    EXPECT_THROW(empty.Event_name(), Run_time_error);
    EXPECT_THROW(empty.Heat_result(1, 0), Run_time_error);
    EXPECT_THROW(empty.Update_Time("26-12-08 10:00:00"), Run_time_error);
    EXPECT_THROW(empty.SpecApp("x"), Run_time_error);
    EXPECT_EQ(empty.XML_string(), "");
}

TEST_F(Accessors, AMissingElementRaisesAndALetChangesNothing)
{
    EXPECT_EQ(h.comment(6), "");
    EXPECT_THROW(h.comment(6, "x"), Run_time_error);
    EXPECT_EQ(h.Selection_start(3), 0);
    EXPECT_THROW(h.Selection_start(3, 10), Run_time_error);
    EXPECT_EQ(h.Camera_ID(0), "");
    EXPECT_EQ(h.Camera_ID(4), "");
    EXPECT_THROW(h.Camera_ID(3), Run_time_error);
    EXPECT_THROW(h.Stream_rotated(3, true), Run_time_error);
    EXPECT_THROW(h.Wakeline_Marathon_Class_Start(31), Run_time_error);

    const std::string before = h.XML_string();
    EXPECT_THROW(h.Heat_result(6, 0, 5), Run_time_error);
    EXPECT_THROW(h.Heat_Click_time(1, 16, 5), Run_time_error);
    EXPECT_THROW(h.Lane_pos(16, 1, 2), Run_time_error);
    EXPECT_EQ(h.XML_string(), before);

    Load_without("wakeline");
    EXPECT_TRUE(h.Lanes_Visible());
    EXPECT_THROW(h.Lanes_flipped(), Run_time_error);
    EXPECT_THROW(h.Num_Lanes(), Run_time_error);
}

TEST_F(Accessors, NumbersConvertAsTheSystemConvertsThem)
{
    Load_with("num_streams", "2.5");
    EXPECT_EQ(h.Streams_no(), 2); // halves to the even one
    Load_with("num_streams", " 3.5 ");
    EXPECT_EQ(h.Streams_no(), 4);
    Load_with("num_streams", "-0.5");
    EXPECT_EQ(h.Streams_no(), 0);
    Load_with("num_streams", "1e3");
    EXPECT_EQ(h.Streams_no(), 1000);
    Load_with("num_streams", "32767.5");
    EXPECT_EQ(test::Error_number([&] { h.Streams_no(); }), err_Overflow);
    Load_with("num_streams", "-32768");
    EXPECT_EQ(h.Streams_no(), -32768);
    Load_with("num_frames", "3000000000");
    EXPECT_EQ(test::Error_number([&] { h.Frames_no(); }), err_Overflow);
    Load_with("num_frames", "-2147483648");
    EXPECT_EQ(h.Frames_no(), INT32_MIN);
    for (const char* bad : {"xxx", "12abc", "0x10", "1,5", "inf", ".", "- 1", ""}) {
        Load_with("num_frames", bad);
        EXPECT_EQ(test::Error_number([&] { h.Frames_no(); }), err_Type_mismatch) << bad;
    }
}

TEST_F(Accessors, TheCameraPositionTakesTheNumberAtTheStartOfItsText)
{
    h.Camera_pos(1, "12abc");
    EXPECT_EQ(h.Stream_CameraPos(1), 12);
    h.Camera_pos(1, " 1 2 ");
    EXPECT_EQ(h.Stream_CameraPos(1), 12);
    h.Camera_pos(1, "-7.5m");
    EXPECT_EQ(h.Stream_CameraPos(1), -8);
    h.Camera_pos(1, "left");
    EXPECT_EQ(h.Stream_CameraPos(1), 0);
    h.Camera_pos(1, "40000");
    EXPECT_EQ(test::Error_number([&] { h.Stream_CameraPos(1); }), err_Overflow);
    h.Stream_CameraPos(2, -300);
    EXPECT_EQ(h.Camera_pos(2), "-300");
    EXPECT_EQ(h.Camera_pos(1), "40000");
}

TEST_F(Accessors, StreamFlagsAreTAndF)
{
    h.Stream_Active(2, true);
    h.Stream_rotated(1, true);
    EXPECT_EQ(Section(h.XML_string(), "<stream_header id=\"2\">", "stream_header").find("<b_stream_active>t<"), 24u);
    EXPECT_TRUE(h.Stream_Active(2));
    EXPECT_FALSE(h.Stream_Active(1));
    EXPECT_TRUE(h.Stream_rotated(1));
    EXPECT_FALSE(h.Stream_rotated(2));
    h.Stream_Active(2, false);
    EXPECT_FALSE(h.Stream_Active(2));

    EXPECT_EQ(Cls_XML_header::Bool_to_XML_string(true), "t");
    EXPECT_EQ(Cls_XML_header::Bool_to_XML_string(false), "f");
    EXPECT_TRUE(Cls_XML_header::XML_string_to_Bool("t"));
    for (const char* text : {"T", "1", "", "True", "f"}) EXPECT_FALSE(Cls_XML_header::XML_string_to_Bool(text)) << text;
}

TEST_F(Accessors, RaceFlagsAreTrueAndFalseAndReadTheTemplatesTAsTrue)
{
    h.Lanes_flipped(true);
    h.Lanes_Visible(false);
    h.Show_goalline(true);
    EXPECT_EQ(Stored("b_lanes_flipped"), "<b_lanes_flipped>True</b_lanes_flipped>");
    EXPECT_EQ(Stored("b_lanes_visible"), "<b_lanes_visible>False</b_lanes_visible>");
    EXPECT_TRUE(h.Lanes_flipped());
    EXPECT_FALSE(h.Lanes_Visible());
    EXPECT_TRUE(h.Show_goalline());
    EXPECT_FALSE(h.Lanes_locked());
    EXPECT_FALSE(h.Lanes_reversed());

    for (const auto& [text, value] : std::vector<std::pair<std::string, bool>>{
             {"t", true}, {"True", true}, {"f", false}, {"False", false}, {"TRUE", false}, {"1", false}}) {
        Load_with("b_lanes_locked", text);
        EXPECT_EQ(h.Lanes_locked(), value) << text;
    }
}

TEST_F(Accessors, SelectionRectangleSidesAreTheLowerCaseLetters)
{
    h.Selection_Rectangle(1, "t", 11);
    h.Selection_Rectangle(1, "b", 22);
    h.Let_Selection_rectangle(1, "l", 33);
    h.Selection_Rectangle(1, "r", -44);
    EXPECT_EQ(Stored("selrect_top"), "<selrect_top>11</selrect_top>");
    EXPECT_EQ(Stored("selrect_bottom"), "<selrect_bottom>22</selrect_bottom>");
    EXPECT_EQ(Stored("selrect_left"), "<selrect_left>33</selrect_left>");
    EXPECT_EQ(Stored("selrect_right"), "<selrect_right>-44</selrect_right>");
    EXPECT_EQ(h.Selection_Rectangle(1, "r"), -44);
    EXPECT_EQ(h.Selection_Rectangle(2, "t"), 0);
    EXPECT_THROW(h.Selection_Rectangle(1, "T"), Run_time_error);
    EXPECT_THROW(h.Selection_Rectangle(1, "top", 1), Run_time_error);
}

TEST_F(Accessors, StreamFieldsAddressTheirOwnStream)
{
    h.Selection_start(1, 100);
    h.Selection_end(1, 70000);
    h.Selection_start(2, 5);
    h.Offset_fields(2, -3);
    h.model_size_factor(1, 150);
    h.model_X_offset(2, 12);
    h.model_Y_offset(2, -12);
    h.Model_FileName(1, "model.anp");
    h.Camera_ID(2, "cam-B");
    EXPECT_EQ(h.Selection_start(1), 100);
    EXPECT_EQ(h.Selection_end(1), 70000);
    EXPECT_EQ(h.Selection_start(2), 5);
    EXPECT_EQ(h.Selection_end(2), 0);
    EXPECT_EQ(h.Offset_fields(2), -3);
    EXPECT_EQ(h.Offset_fields(1), 0);
    EXPECT_EQ(h.model_size_factor(1), 150);
    EXPECT_EQ(h.model_X_offset(2), 12);
    EXPECT_EQ(h.model_Y_offset(2), -12);
    EXPECT_EQ(h.Model_FileName(1), "model.anp");
    EXPECT_EQ(h.Model_FileName(2), "xxx");
    EXPECT_EQ(h.Camera_ID(2), "cam-B");
    EXPECT_EQ(h.Camera_ID(1), "000");
}

TEST_F(Accessors, FileDataFieldsAreWrittenAndRead)
{
    h.Update_Time("26-12-09 18:00:01");
    h.Update_Program("Wakeline, Full version 3.0.8");
    h.Creation_date("26-12-01 07:00:00");
    h.Timing_Bias("-20");
    h.Subject_name("K1 200 m");
    h.comment(3, "wind 2 m/s");
    h.comment(4, "");
    h.Streams_no(2);
    EXPECT_EQ(h.Update_Time(), "26-12-09 18:00:01");
    EXPECT_EQ(Stored("update_program"), "<update_program>Wakeline, Full version 3.0.8</update_program>");
    EXPECT_EQ(h.Creation_date(), "26-12-01 07:00:00");
    EXPECT_EQ(h.Timing_Bias(), "-20");
    EXPECT_EQ(h.Subject_name(), "K1 200 m");
    EXPECT_EQ(h.comment(3), "wind 2 m/s");
    EXPECT_EQ(h.comment(4), "");
    EXPECT_NE(h.XML_string().find("<file_comment4/>"), std::string::npos); // empty text, empty tag
    EXPECT_EQ(h.Streams_no(), 2);
}

TEST_F(Accessors, FrameCountsBeyondSixteenBitsAreStoredAndReadBack)
{
    h.Frames_no(40000);
    EXPECT_EQ(h.Frames_no(), 40000);
    Cls_XML_header again;
    ASSERT_TRUE(again.XML_string(h.XML_string()));
    EXPECT_EQ(again.Frames_no(), 40000);
    again.Frames_no(INT32_MAX);
    EXPECT_EQ(again.Frames_no(), INT32_MAX);
}

TEST_F(Accessors, SpecAppIsAddedOnceToHeadersWithoutIt)
{
    // On the template it only replaces the empty text.
    h.SpecApp("Canoe");
    EXPECT_EQ(h.SpecApp(), "Canoe");
    EXPECT_EQ(Count(h.XML_string(), "<specapp1>"), 1u);

    // An older header without the element.
    std::string old = h.XML_string();
    const std::string el = "<specapp1>Canoe</specapp1>\r\n";
    old.erase(old.find(el), el.size());
    ASSERT_TRUE(h.XML_string(old));
    EXPECT_EQ(h.SpecApp(), "None");
    h.SpecApp("Rowing");
    const std::string text = h.XML_string();
    EXPECT_EQ(Count(text, "<specapp1>"), 1u);
    EXPECT_NE(text.find("</stream_header><specapp1>Rowing</specapp1>\r\n</file_data>"), std::string::npos);
    h.SpecApp("Kayak");
    EXPECT_EQ(Count(h.XML_string(), "<specapp1"), 1u);
    EXPECT_EQ(h.SpecApp(), "Kayak");
    h.SpecApp("");
    EXPECT_EQ(h.SpecApp(), "None");
    EXPECT_EQ(Count(h.XML_string(), "<specapp1/>"), 1u);

    // Without file_data there is nowhere to put it.
    ASSERT_TRUE(h.XML_string("<QSM_header>\r\n<wakeline/></QSM_header>"));
    EXPECT_THROW(h.SpecApp("x"), Run_time_error);
    EXPECT_EQ(h.XML_string(), "<QSM_header>\r\n<wakeline/></QSM_header>\r\n");
}

TEST_F(Accessors, KindTestsLookAtTheTextLastLoaded)
{
    EXPECT_FALSE(h.is_Wakeline()); // built, not loaded
    EXPECT_FALSE(h.is_Golf());
    ASSERT_TRUE(h.XML_string("<QSM_header><file_data><prog_id>Wakeline</prog_id></file_data></QSM_header>"));
    EXPECT_TRUE(h.is_Wakeline());
    EXPECT_TRUE(h.is_Equestrian());
    EXPECT_FALSE(h.is_Golf());
    ASSERT_TRUE(h.XML_string("<QSM_header><golf></golf></QSM_header>"));
    EXPECT_FALSE(h.is_Wakeline());
    EXPECT_TRUE(h.is_Golf());
    ASSERT_TRUE(h.XML_string("<QSM_header><WAKELINE/></QSM_header>"));
    EXPECT_FALSE(h.is_Wakeline());
}

TEST_F(Accessors, GoalLineHoldsThirtyTwoBitValues)
{
    h.Set_Goalline(40000, -5, 70000, 123);
    EXPECT_EQ(Stored("goal_x_1"), "<goal_x_1>40000</goal_x_1>");
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    h.Get_Goalline(x1, y1, x2, y2);
    EXPECT_EQ(x1, 40000);
    EXPECT_EQ(y1, -5);
    EXPECT_EQ(x2, 70000);
    EXPECT_EQ(y2, 123);

    Load_with("goal_y_1", "abc");
    x1 = y1 = x2 = y2 = -1;
    EXPECT_THROW(h.Get_Goalline(x1, y1, x2, y2), Run_time_error);
    EXPECT_EQ(x1, 40000); // set before the failure
    EXPECT_EQ(y1, -1);
    EXPECT_EQ(x2, -1);
}

TEST_F(Accessors, LaneMarksAreFoundByTheWholeElementName)
{
    for (int16_t lane = 0; lane <= 15; ++lane) h.Lane_pos(lane, 100 + lane, 200 + lane);
    for (int16_t lane = 0; lane <= 15; ++lane) {
        EXPECT_EQ(h.Lane_pos_X(lane), 100 + lane);
        EXPECT_EQ(h.Lane_pos_Y(lane), 200 + lane);
    }
    h.Lane_pos(1, 7, 8);
    EXPECT_EQ(h.Lane_pos_X(10), 110);
    EXPECT_EQ(h.Lane_pos_X(15), 115);
    EXPECT_THROW(h.Lane_pos_X(16), Run_time_error);
    EXPECT_THROW(h.Lane_pos_Y(-1), Run_time_error);
}

TEST_F(Accessors, EveryLaneOfEveryHeatHasItsOwnRecord)
{
    for (int16_t heat = 1; heat <= 5; ++heat)
        for (int16_t lane = 0; lane <= 15; ++lane) {
            h.Heat_result(heat, lane, heat * 1000 + lane);
            h.Heat_Click_time(heat, lane, heat * 100000 + lane);
            h.Heat_Goal_Field(heat, lane, heat * 10 + lane);
        }
    Cls_XML_header again;
    ASSERT_TRUE(again.XML_string(h.XML_string()));
    for (int16_t heat = 1; heat <= 5; ++heat)
        for (int16_t lane = 0; lane <= 15; ++lane) {
            EXPECT_EQ(again.Heat_result(heat, lane), heat * 1000 + lane);
            EXPECT_EQ(again.Heat_Click_time(heat, lane), heat * 100000 + lane);
            EXPECT_EQ(again.Heat_Goal_Field(heat, lane), heat * 10 + lane);
        }
    EXPECT_THROW(h.Heat_result(6, 0), Run_time_error);
    EXPECT_THROW(h.Heat_result(1, 16), Run_time_error);
    EXPECT_THROW(h.Heat_Goal_Field(0, 0), Run_time_error);

    h.Heat_result(2, 3, No_Time);
    EXPECT_EQ(h.Heat_result(2, 3), 999999999);
    h.Heat_result(2, 3, Time_DNF);
    EXPECT_EQ(h.Heat_result(2, 3), 100000003);
}

TEST_F(Accessors, HeatFieldsAddressTheFirstCommentAndTheirOwnHeat)
{
    h.Heat_ID(1, "Final A");
    h.Heat_ID(5, "Östra");
    h.Heat_comment(3, "false start");
    h.Start_local_mill(4, 36000000);
    h.Start_PC_mill(4, INT32_MIN);
    h.Heat_Correction_mill(4, -40);
    EXPECT_EQ(h.Heat_ID(1), "Final A");
    EXPECT_EQ(h.Heat_ID(5), "Östra");
    EXPECT_EQ(h.Heat_ID(2), "");
    EXPECT_EQ(h.Heat_comment(3), "false start");
    const std::string heat3 = Section(h.XML_string(), "<heat_record id=\"3\">", "heat_record");
    EXPECT_NE(heat3.find("<heat_comment>nnn</heat_comment>"), std::string::npos);
    EXPECT_EQ(h.Start_local_mill(4), 36000000);
    EXPECT_EQ(h.Start_PC_mill(4), INT32_MIN);
    EXPECT_EQ(h.Heat_Correction_mill(4), -40);
    EXPECT_EQ(h.Start_local_mill(3), 0);
    EXPECT_THROW(h.Heat_ID(6), Run_time_error);
    EXPECT_THROW(h.Start_PC_mill(6, 1), Run_time_error);
}

TEST_F(Accessors, RaceSettingsAndMarathonClasses)
{
    h.Event_name("Sprint Cup");
    h.Num_Lanes(9);
    h.heats_num(3);
    h.Start_lane(0);
    h.Wakeline_Marathon_Class_Name(1, "K1 Men");
    h.Wakeline_Marathon_Class_Start(30, "10:15:00");
    EXPECT_EQ(h.Event_name(), "Sprint Cup");
    EXPECT_EQ(h.Num_Lanes(), 9);
    EXPECT_EQ(h.heats_num(), 3);
    EXPECT_EQ(h.Start_lane(), 0);
    EXPECT_EQ(h.Wakeline_Marathon_Class_Name(1), "K1 Men");
    EXPECT_EQ(h.Wakeline_Marathon_Class_Start(30), "10:15:00");
    EXPECT_EQ(h.Wakeline_Marathon_Class_Start(1), "");
    EXPECT_THROW(h.Wakeline_Marathon_Class_Name(0), Run_time_error);

    // The read looks in the race section only; the write takes the first event_name anywhere.
    ASSERT_TRUE(h.XML_string("<QSM_header><event_name>outside</event_name><wakeline><event_name>in</event_name>"
                             "</wakeline></QSM_header>"));
    EXPECT_EQ(h.Event_name(), "in");
    h.Event_name("new");
    EXPECT_EQ(h.Event_name(), "in");
}

// The elements found are kept between reads; every change of the document is seen at once.
TEST_F(Accessors, ReadsFollowEveryChangeOfTheHeader)
{
    h.Start_PC_mill(1, 1000);
    EXPECT_EQ(h.Start_PC_mill(1), 1000);
    h.Start_PC_mill(1, 2000);
    EXPECT_EQ(h.Start_PC_mill(1), 2000);
    EXPECT_EQ(h.Start_PC_mill(2), 0);

    // Another header's text: its values, not those of the document read before.
    Load_with("start_pc_mill", "3000");
    EXPECT_EQ(h.Start_PC_mill(1), 3000);
    EXPECT_EQ(h.Start_PC_mill(2), 0);
    ASSERT_TRUE(h.Create_Header());
    EXPECT_EQ(h.Start_PC_mill(1), 0);
    h.Start_PC_mill(1, 4000);
    EXPECT_EQ(h.Start_PC_mill(1), 4000);

    // Text that does not parse leaves nothing to read.
    EXPECT_FALSE(h.XML_string("<QSM_header><wakeline>"));
    EXPECT_EQ(errors.reports.size(), 1u);
    EXPECT_THROW(h.Start_PC_mill(1), Run_time_error);

    // An element written over takes the elements inside it along: they are gone, not read.
    ASSERT_TRUE(h.XML_string("<QSM_header><wakeline><heat_record id=\"1\"><heat_ID><lane_record id=\"0\">"
                             "<heat_time_mill>5</heat_time_mill></lane_record></heat_ID></heat_record>"
                             "</wakeline></QSM_header>"));
    EXPECT_EQ(h.Heat_result(1, 0), 5);
    h.Heat_ID(1, "7");
    EXPECT_EQ(h.Heat_ID(1), "7");
    EXPECT_THROW(h.Heat_result(1, 0), Run_time_error);
}

} // namespace
} // namespace wk::test
