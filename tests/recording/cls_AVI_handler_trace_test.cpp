// The trace record inside the frames of a recording: its bytes in the file, the edit copy that
// belongs to the frame just read, the per-frame trace list, clearing, and the kinds of recording
// that cannot keep traces.
#include "recording/header/Cls_XML_header.h"
#include "services/Run_time_error.h"
#include "tests/recording/Recording_maker.h"

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Picture;

constexpr int64_t k_Data = cls_AVI_handler::k_Own_data_offset;

int16_t Integer_at(const std::string& bytes, size_t at)
{
    int16_t v;
    std::memcpy(&v, bytes.data() + at, 2);
    return v;
}

class Traces : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    // Where frame f's record lies in an own-format file of one stream.
    static size_t Record_at(int f) { return size_t(k_Data) + size_t(f - 1) * 144000 + Trace_Record::k_Offset; }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

TEST_F(Traces, AnUpdatedRecordLiesInTheFileByteForByte)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 4);
    const std::string before = test::Read_file(path);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        Picture p;
        ASSERT_TRUE(rec.Draw_field_3(3, p.dc)); // frame 2, field 1
        ASSERT_TRUE(rec.Trace().Update_Trace_Data(1, 100, 200));
        ASSERT_TRUE(rec.Trace().Update_Trace_Data(3, -5, 7));
        ASSERT_TRUE(rec.Draw_field_3(4, p.dc)); // field 2 of the same frame
        ASSERT_TRUE(rec.Trace().Update_Trace_Data(10, 321, 500));
        EXPECT_EQ(rec.Trace().Trace_X(10), 321);
        EXPECT_EQ(rec.Trace().Trace_Y(10), 500);
        EXPECT_EQ(rec.Trace().Trace_X(1), 0) << "field 2 has its own points";
    }
    const std::string after = test::Read_file(path);
    ASSERT_EQ(after.size(), before.size());
    const size_t r = Record_at(2);
    EXPECT_EQ(after.substr(r, 4), "QSTD");
    EXPECT_EQ(Integer_at(after, r + 4), 87);
    EXPECT_EQ(Integer_at(after, r + 6), 0);
    // X(point, field) at 8 + 4 (point - 1) + 2 (field - 1), Y likewise from 48.
    EXPECT_EQ(Integer_at(after, r + 8), 100);
    EXPECT_EQ(Integer_at(after, r + 48), 200);
    EXPECT_EQ(Integer_at(after, r + 8 + 8), -5);
    EXPECT_EQ(Integer_at(after, r + 48 + 8), 7);
    EXPECT_EQ(Integer_at(after, r + 8 + 36 + 2), 321);
    EXPECT_EQ(Integer_at(after, r + 86), 500); // the record's last two bytes
    for (size_t i = 8; i < 88; i += 2) {
        if (i == 8 || i == 48 || i == 16 || i == 56 || i == 46 || i == 86) continue;
        EXPECT_EQ(Integer_at(after, r + i), 0) << i;
    }
    // Nothing else of the file changed.
    EXPECT_EQ(after.substr(0, r), before.substr(0, r));
    EXPECT_EQ(after.substr(r + 88), before.substr(r + 88));

    // Read back through the trace list after opening again.
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    rec.Trace().Read_Trace_Array();
    ASSERT_EQ(rec.Trace().Trace_Array_count(), 4);
    int16_t x = 0, y = 0;
    rec.Trace().Trace_Array_Coords(1, 3, x, y); // field 3: frame 2, field 1
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 200);
    rec.Trace().Trace_Array_Coords(10, 4, x, y);
    EXPECT_EQ(x, 321);
    EXPECT_EQ(y, 500);
    rec.Trace().Trace_Array_Coords(1, 5, x, y); // frame 3: never traced
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_FALSE(rec.Trace().Trace_Array(3).Tagged());
    EXPECT_EQ(test::Error_number([&] { rec.Trace().Trace_Array_Coords(1, 9, x, y); }), err_Subscript);
    EXPECT_EQ(test::Error_number([&] { rec.Trace().Trace_Array_Coords(11, 3, x, y); }), err_Subscript);
}

TEST_F(Traces, TracingTheLastFrameKeepsTheFilesLength)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 3);
    const auto size = fs::file_size(path);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    ASSERT_TRUE(rec.Read_Frame(3));
    rec.Let_Field_To_Show(2);
    ASSERT_TRUE(rec.Trace().Update_Trace_Data(2, 11, 22));
    ASSERT_TRUE(rec.Rewrite_DV_frame());
    rec.Close_File();
    EXPECT_EQ(fs::file_size(path), size);
    EXPECT_EQ(test::Read_file(path).substr(Record_at(3), 4), "QSTD");
}

TEST_F(Traces, PointsStayWithTheirFrame)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 4);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    rec.Trace().Read_Trace_Array();
    ASSERT_TRUE(rec.Read_Frame(2));
    rec.Let_Field_To_Show(1);
    ASSERT_TRUE(rec.Trace().Update_Trace_Data(1, 10, 20));
    // The update reaches the trace list at once.
    EXPECT_EQ(rec.Trace().Trace_Array(2).x(1, 1), 10);

    // Another frame starts with its own (empty) record: point 1 does not travel with the copy.
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_FALSE(rec.Trace().m_Trace_Data().Tagged());
    EXPECT_EQ(rec.Trace().Trace_X(1), 0);
    ASSERT_TRUE(rec.Trace().Update_Trace_Data(2, 30, 40));
    const std::string bytes = test::Read_file(path);
    EXPECT_EQ(Integer_at(bytes, Record_at(3) + 8), 0) << "frame 3 has no point 1";
    EXPECT_EQ(Integer_at(bytes, Record_at(3) + 8 + 4), 30);
    EXPECT_EQ(Integer_at(bytes, Record_at(2) + 8 + 4), 0) << "frame 2 has no point 2";

    // Back to frame 2: its own point again.
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Trace().Trace_X(1), 10);
    EXPECT_EQ(rec.Trace().Trace_X(2), 0);
    // A frame that cannot be read leaves no edit copy behind.
    EXPECT_FALSE(rec.Read_Frame(0));
    EXPECT_FALSE(rec.Trace().m_Trace_Data().Tagged());
    // From the list for a frame not in store.
    rec.Trace().Get_Current_Trace_data(3);
    EXPECT_EQ(rec.Trace().Trace_X(2), 30);
    rec.Trace().Get_Current_Trace_data(4);
    EXPECT_FALSE(rec.Trace().m_Trace_Data().Tagged());
}

TEST_F(Traces, ReadingTheListAndClearingAllKeepTheCurrentFrame)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 5);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    for (int f : {2, 4}) {
        ASSERT_TRUE(rec.Read_Frame(f));
        ASSERT_TRUE(rec.Trace().Update_Trace_Data(5, int16_t(f), int16_t(10 * f)));
    }
    const std::string traced = test::Read_file(path);
    ASSERT_TRUE(rec.Read_Frame(4));
    const int32_t time4 = rec.Extra().Raw_Frame_Time();
    rec.Trace().Read_Trace_Array();
    EXPECT_EQ(rec.Frame_in_store(), 4);
    EXPECT_EQ(rec.Extra().Raw_Frame_Time(), time4);
    EXPECT_EQ(rec.Trace().Trace_X(5), 4);
    EXPECT_EQ(rec.Trace().Trace_Array(2).y(5, 1), 20);
    EXPECT_FALSE(rec.Trace().Trace_Array(1).Tagged());

    ASSERT_TRUE(rec.Trace().Clear_all_Traces());
    EXPECT_EQ(rec.Frame_in_store(), 4);
    EXPECT_EQ(rec.Extra().Raw_Frame_Time(), time4);
    EXPECT_TRUE(rec.Trace().m_Trace_Data().Tagged());
    EXPECT_EQ(rec.Trace().Trace_X(5), 0);
    EXPECT_EQ(rec.Trace().Trace_Array(4).x(5, 1), 0);
    const std::string cleared = test::Read_file(path);
    ASSERT_EQ(cleared.size(), traced.size());
    for (int f = 1; f <= 5; ++f) {
        const size_t r = Record_at(f);
        if (f == 2 || f == 4) {
            // The tag stays; every point is 0.
            EXPECT_EQ(cleared.substr(r, 8), traced.substr(r, 8)) << f;
            EXPECT_EQ(cleared.substr(r + 8, 80), std::string(80, '\0')) << f;
        } else {
            // Frames never traced keep their own DV bytes.
            EXPECT_EQ(cleared.substr(r, 88), traced.substr(r, 88)) << f;
        }
    }
    // Clearing a frame without a record writes nothing.
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_TRUE(rec.Trace().Clear_Trace_Data());
    EXPECT_EQ(test::Read_file(path), cleared);
}

TEST_F(Traces, BadPointsAndReadOnlyRecordingsChangeNothing)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 2);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(test::Error_number([&] { rec.Trace().Update_Trace_Data(1, 1, 1); }), err_Invalid_argument) << "no frame read";
    ASSERT_TRUE(rec.Read_Frame(2));
    const std::vector<uint8_t> frame(rec.Frame_bytes().begin(), rec.Frame_bytes().end());
    const std::string file = test::Read_file(path);
    for (int16_t point : {0, 11})
        EXPECT_EQ(test::Error_number([&] { rec.Trace().Update_Trace_Data(point, 1, 1); }), err_Subscript) << point;
    rec.Let_Field_To_Show(3);
    EXPECT_EQ(test::Error_number([&] { rec.Trace().Update_Trace_Data(1, 1, 1); }), err_Subscript);
    rec.Let_Field_To_Show(1);
    rec.Read_only(true);
    EXPECT_EQ(test::Error_number([&] { rec.Trace().Update_Trace_Data(1, 1, 1); }), 75);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), rec.Frame_bytes().begin()));
    EXPECT_FALSE(rec.Trace().m_Trace_Data().Tagged());
    EXPECT_EQ(test::Read_file(path), file);
}

TEST_F(Traces, RawDvKeepsTracesInMemoryOnlyAndSaysSo)
{
    std::vector<test::DV_frame> frames(test::Stream_frames(1).begin(), test::Stream_frames(1).begin() + 3);
    test::Write_DV_file(Path("heat.dv"), frames);
    const std::string file = test::Read_file(Path("heat.dv"));
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("heat.dv")));
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_FALSE(rec.Trace().Update_Trace_Data(1, 5, 6));
    EXPECT_FALSE(rec.Rewrite_DV_frame());
    EXPECT_EQ(std::memcmp(rec.Frame_bytes().data() + Trace_Record::k_Offset, "QSTD", 4), 0);
    EXPECT_EQ(rec.Trace().Trace_X(1), 5);
    EXPECT_EQ(test::Read_file(Path("heat.dv")), file);
    rec.Trace().Read_Trace_Array();
    EXPECT_FALSE(rec.Trace().Trace_Array(2).Tagged());
}

TEST_F(Traces, DvInAviKeepsItsTracesInsideItsChunks)
{
    std::vector<test::DV_frame> frames(test::Stream_frames(1).begin(), test::Stream_frames(1).begin() + 3);
    const test::Built_avi built = test::Write_DV_AVI(Path("heat.avi"), frames);
    const std::string before = test::Read_file(Path("heat.avi"));
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path("heat.avi")));
        Picture p;
        ASSERT_TRUE(rec.Draw_field_3(4, p.dc)); // frame 2, field 2
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 4);
        EXPECT_FLOAT_EQ(rec.Effective_Time(), 60.0f); // AVI fields count from field 1
        ASSERT_TRUE(rec.Trace().Update_Trace_Data(6, 66, 77));
        // The edit copy goes with the frame: frame 3 has none, frame 2 its own again.
        ASSERT_TRUE(rec.Read_Frame(3));
        EXPECT_FALSE(rec.Trace().m_Trace_Data().Tagged());
        ASSERT_TRUE(rec.Read_Frame(2));
        EXPECT_EQ(rec.Trace().Trace_Y(6), 77);
    }
    const std::string after = test::Read_file(Path("heat.avi"));
    ASSERT_EQ(after.size(), before.size());
    const size_t r = size_t(built.frame_chunks[1]) + 8 + Trace_Record::k_Offset;
    EXPECT_EQ(after.substr(r, 4), "QSTD");
    EXPECT_EQ(Integer_at(after, r + 8 + 20 + 2), 66);
    EXPECT_EQ(Integer_at(after, r + 48 + 20 + 2), 77);
    // The chunk's header and everything outside the record as before.
    EXPECT_EQ(after.substr(0, r), before.substr(0, r));
    EXPECT_EQ(after.substr(r + 88), before.substr(r + 88));
}

TEST_F(Traces, ARecordingHeldInMemorySeesItsTraces)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 3);
    cls_AVI_handler rec;
    rec.Let_Read_to_Memory(true);
    ASSERT_TRUE(rec.Open_File(path));
    ASSERT_TRUE(rec.In_memory());
    ASSERT_TRUE(rec.Read_Frame(3));
    ASSERT_TRUE(rec.Trace().Update_Trace_Data(4, 44, 45));
    ASSERT_TRUE(rec.Read_Frame(1));
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_EQ(rec.Trace().Trace_Y(4), 45);
    EXPECT_EQ(Integer_at(test::Read_file(path), Record_at(3) + 8 + 12), 44);
}

TEST_F(Traces, TraceSettingsGoIntoTheStoredHeader)
{
    const std::string path = test::Make_qs2(Path("heat.qs2"), 1);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        EXPECT_EQ(rec.Trace().Trace_Color(1), 0);
        EXPECT_EQ(rec.Trace().Trace_Name(1), "noname");
        EXPECT_FALSE(rec.Trace().Trace_Bezier(1));
        EXPECT_EQ(rec.Trace().Trace_Thickness(1), 1);
        rec.Trace().Trace_Color(2, 0x00FF8000);
        rec.Trace().Trace_Name(2, "Bow");
        rec.Trace().Trace_Bezier(2, true);
        rec.Trace().Trace_Thickness(2, 3);
        EXPECT_EQ(rec.Trace().Trace_Color(11), 0);
        rec.Header().Trace_Color(3, "red");
        EXPECT_EQ(rec.Trace().Trace_Color(3), 0);
        EXPECT_EQ(test::Error_number([&] { rec.Trace().Trace_Name(11, "x"); }), err_Object_variable);
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Trace().Trace_Color(2), 0x00FF8000);
    EXPECT_EQ(rec.Trace().Trace_Name(2), "Bow");
    EXPECT_TRUE(rec.Trace().Trace_Bezier(2));
    EXPECT_EQ(rec.Trace().Trace_Thickness(2), 3);
    EXPECT_EQ(rec.Trace().Trace_Name(1), "noname");
}

} // namespace
} // namespace wk
