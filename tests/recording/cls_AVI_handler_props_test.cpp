// The recording object's properties: kinds by suffix, counts and times, the stream selection
// kept in the header or the sdv record, the per-frame comment, sizes beyond 2 GiB and creation.
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_qsm_Globals.h"
#include "services/Run_time_error.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

#include <cstring>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::DV_frame;

const std::vector<DV_frame>& Frames()
{
    static const std::vector<DV_frame> frames = test::Make_DV_frames(4);
    return frames;
}

DV_frame Stamped(int k, const std::string& comment = {})
{
    DV_frame f = Frames()[size_t(k - 1) % Frames().size()];
    test::Write_DV_extra_data(f, {.stamp_tick = 1000 + 40 * k, .comment = comment});
    return f;
}

int16_t I16_at(const std::string& bytes, size_t at)
{
    int16_t v;
    std::memcpy(&v, bytes.data() + at, 2);
    return v;
}

class Properties : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock.now = {2026, 12, 8, 10, 0, 0, 0};
    }
    void TearDown() override { g_DV_Codec.clear(); }
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    std::string Make_qs2(const std::string& name, int n)
    {
        cls_AVI_handler rec;
        rec.File_name(Path(name));
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        for (int k = 1; k <= n; ++k) EXPECT_TRUE(rec.Append_DV_frame(Stamped(k, "frame " + std::to_string(k))));
        rec.Close_File();
        return Path(name);
    }
    // A one-stream sdv file: the DV header record, then the frames.
    std::string Make_sdv(const std::string& name, int n, int16_t selection_start = 0)
    {
        DV_Header_Record r;
        r.Stream_count = 1;
        r.Frame_count = n;
        r.Selection_start = selection_start;
        std::vector<uint8_t> bytes = r.To_bytes();
        for (int k = 1; k <= n; ++k) {
            const DV_frame f = Stamped(k);
            bytes.insert(bytes.end(), f.begin(), f.end());
        }
        test::Write_bytes(Path(name), bytes);
        return Path(name);
    }
    std::string Make_avi(const std::string& name, bool with_header)
    {
        test::Write_DV_AVI(Path(name), Frames());
        if (with_header) {
            cls_AVI_handler rec;
            EXPECT_TRUE(rec.Open_File(Path(name)));
            EXPECT_TRUE(rec.Avi().Append_XML_header());
        }
        return Path(name);
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

TEST_F(Properties, KindsFollowTheSuffixWhateverItsCase)
{
    Make_qs2("a.qs2", 2);
    fs::copy_file(Path("a.qs2"), Path("b.QS2"));
    Make_sdv("c.sdv", 2, 7);
    test::Write_DV_file(Path("d.dv"), Frames());
    Make_avi("plain.avi", false);
    Make_avi("e.AVI", true);
    fs::copy_file(Path("e.AVI"), Path("f.Avi"));
    struct Row {
        const char* name;
        bool xml, dv_header;
        int16_t ms, trimmed;
    };
    for (const Row& r : {Row{"a.qs2", true, true, 20, 0}, Row{"b.QS2", true, true, 20, 0},
                         Row{"c.sdv", false, true, 20, 7}, Row{"d.dv", false, false, 40, 0},
                         Row{"plain.avi", false, false, 20, 1}, Row{"e.AVI", true, false, 20, 1},
                         Row{"f.Avi", true, false, 20, 1}}) {
        SCOPED_TRACE(r.name);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path(r.name)));
        ASSERT_TRUE(rec.Read_Frame(2));
        EXPECT_EQ(rec.Has_XML_header(), r.xml);
        EXPECT_EQ(rec.Has_DV_Header(), r.dv_header);
        EXPECT_EQ(rec.mill_per_frame(), r.ms);
        EXPECT_EQ(rec.Trimmed_Start(), r.trimmed);
        EXPECT_EQ(rec.Trimmed_End(), 0);
        EXPECT_FALSE(rec.NTSC());
        EXPECT_FALSE(rec.Is_Deinterlaced());
        EXPECT_NE(rec.DriveType(), 0);
        rec.Close_File();
        EXPECT_EQ(rec.DriveType(), 0);
    }
}

TEST_F(Properties, SecondsRoundHalvesToEvenAndTheGrossCountsFollowTheFrames)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Make_qs2("a.qs2", 3)));
    EXPECT_EQ(rec.num_Fields_Gross(), 6);
    for (auto [frames, seconds] : {std::pair{62, 2}, {63, 3}, {50, 2}, {37, 1}, {38, 2}}) {
        rec.Header().Frames_no(frames);
        EXPECT_EQ(rec.Seconds(), seconds) << frames;
    }
    // An AVI without a header has no frame count to tell.
    cls_AVI_handler avi;
    ASSERT_TRUE(avi.Open_File(Make_avi("plain.avi", false)));
    EXPECT_THROW(avi.Seconds(), Run_time_error);
    EXPECT_EQ(avi.Stream().Selection_start(), 0);
    EXPECT_EQ(avi.Stream().Selection_end(), 0);
}

TEST_F(Properties, SelectionEditsThatRewriteSurviveAReopenAndTheOthersDoNot)
{
    const std::string path = Make_qs2("heat.qs2", 3);
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(path));
        rec.Let_Current_Field(37);
        ASSERT_TRUE(rec.Stream().Set_Start_frame());
        rec.Let_Current_Field(91);
        ASSERT_TRUE(rec.Stream().Set_End_frame());
        ASSERT_TRUE(rec.Stream().Stream_rotated(1, true));
        ASSERT_TRUE(rec.Stream().Set_Selrect_stream1(400, 10, 700, 20));
        // Above the frames on disk: the count read is bounded by them, the header keeps it.
        ASSERT_TRUE(rec.Set_Frames_no(5));
    }
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Stream().Selection_start(), 37);
    EXPECT_EQ(rec.Stream().Selection_end(), 91);
    EXPECT_TRUE(rec.rotated());
    EXPECT_EQ(rec.Header().Selection_Rectangle(1, "b"), 400);
    EXPECT_EQ(rec.Header().Selection_Rectangle(1, "l"), 10);
    EXPECT_EQ(rec.Header().Selection_Rectangle(1, "r"), 700);
    EXPECT_EQ(rec.Header().Selection_Rectangle(1, "t"), 20);
    EXPECT_EQ(rec.Header().Frames_no(), 5);
    EXPECT_EQ(rec.num_frames(), 3);

    // Memory only.
    rec.Stream().Selection_start(5);
    rec.Stream().Selection_end(6);
    rec.Stream().Camera_pos(1, 3);
    rec.Stream().Stream_offset(1, 9);
    rec.Stream().Stream_offset(4, 9); // no such stream: nothing changes
    rec.Capture_time("26-12-08 11:00:00");
    EXPECT_EQ(rec.Stream().Selection_start(), 5);
    EXPECT_EQ(rec.Stream().Camera_pos(1), 3);
    EXPECT_EQ(rec.Header().Offset_fields(1), 9);
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Stream().Selection_start(), 37);
    EXPECT_EQ(rec.Stream().Selection_end(), 91);
    EXPECT_EQ(rec.Stream().Camera_pos(1), 0); // the template's "xxxxx"
    EXPECT_EQ(rec.Header().Offset_fields(1), 0);
    EXPECT_EQ(rec.Capture_time(), "26-12-08 10:00:00");

    // Clearing undoes what the setters stored, one side at a time.
    ASSERT_TRUE(rec.Stream().Clear_Start_Frame());
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Stream().Selection_start(), 0);
    EXPECT_EQ(rec.Stream().Selection_end(), 91);
    ASSERT_TRUE(rec.Stream().Clear_End_Frame());
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Stream().Selection_end(), 0);
}

TEST_F(Properties, StreamsAreSwitchedByTheirCameraPosition)
{
    const std::string path = Make_qs2("heat.qs2", 1);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Stream().Active_Streams(), 0);
    rec.Stream().Camera_pos(1, 2);
    ASSERT_TRUE(rec.Write_XML_header());
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_FALSE(rec.Stream().Set_stream_active(4, true)); // no stream there
    ASSERT_TRUE(rec.Stream().Set_stream_active(2, true));
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Stream().Active_Streams(), 1);
    EXPECT_TRUE(rec.Stream().pos_Active(2));
    EXPECT_EQ(rec.Stream().Pos_In_File(1), 0);
    EXPECT_THROW(rec.Stream().Pos_In_File(0), Run_time_error);
    EXPECT_THROW(rec.Stream().Pos_In_File(7), Run_time_error);
}

TEST_F(Properties, TheSdvSelectionIsRewrittenInItsRecordAndTheFieldsCountedOnce)
{
    const std::string path = Make_sdv("multi.sdv", 4, 3);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Num_fields(), 8);
    ASSERT_TRUE(rec.Read_Frame(1)); // takes the selection start of the record
    rec.Calculate_Number_of_Fields();
    rec.Calculate_Number_of_Fields();
    EXPECT_EQ(rec.Num_fields(), 5);
    rec.Let_Current_Field(10);
    EXPECT_EQ(rec.xCurrent(), 10);
    EXPECT_EQ(rec.Current_net(), 8);

    rec.Stream().Selection_start(2);
    rec.Stream().Selection_end(7);
    const std::string bytes = test::Read_file(path);
    EXPECT_EQ(I16_at(bytes, 18), 2);
    EXPECT_EQ(I16_at(bytes, 20), 7);
    EXPECT_THROW(rec.Stream().Selection_start(40000), Run_time_error);
    EXPECT_EQ(test::Read_file(path), bytes);
    EXPECT_EQ(rec.Stream().Selection_start(), 2);
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.Stream().Selection_start(), 2);
    EXPECT_EQ(rec.Stream().Selection_end(), 7);
    ASSERT_TRUE(rec.Read_Frame(2));
    rec.Calculate_Number_of_Fields();
    EXPECT_EQ(rec.Num_fields(), 6);
}

TEST_F(Properties, TheCommentIsWrittenOnlyIntoAFrameReadFromThisFile)
{
    const std::string path = Make_qs2("heat.qs2", 3);
    const std::string before = test::Read_file(path);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_THROW(rec.Extra().Write_comment("too early"), Run_time_error);
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Extra().Read_Comment(), "frame 2");
    fs::resize_file(path, 100005 + 2 * 144000 + 10); // frame 3 is gone
    EXPECT_FALSE(rec.Read_Frame(3));
    EXPECT_EQ(rec.Extra().Read_Comment(), "");
    EXPECT_THROW(rec.Extra().Write_comment("onto no frame"), Run_time_error);
    EXPECT_EQ(test::Read_file(path), before.substr(0, 100005 + 2 * 144000 + 10));

    ASSERT_TRUE(rec.Read_Frame(2));
    const std::string text = std::string(80, 'k') + std::string(20, 'z');
    ASSERT_TRUE(rec.Extra().Write_comment(text));
    ASSERT_TRUE(rec.Open_File(path));
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Extra().Read_Comment(), std::string(80, 'k'));
    ASSERT_TRUE(rec.Extra().Write_comment("Zielfoto \xc3\xa4")); // stored as one byte a character
    ASSERT_TRUE(rec.Read_Frame(1));
    ASSERT_TRUE(rec.Read_Frame(2));
    EXPECT_EQ(rec.Extra().Read_Comment(), "Zielfoto \xc3\xa4");
    const std::string bytes = test::Read_file(path);
    const size_t field = 100005 + 144000 + 12000 + 82;
    EXPECT_EQ(bytes.substr(field, 11), std::string("Zielfoto \xe4\0", 11));
    EXPECT_EQ(bytes.substr(field + 10, 70), std::string(70, '\0'));
}

TEST_F(Properties, ACommentThatBeginsWithAZeroByteIsEmpty)
{
    cls_AVI_handler rec;
    rec.File_name(Path("nul.qs2"));
    ASSERT_TRUE(rec.Create_File());
    rec.Initiate_file();
    DV_frame f = Stamped(1, "xhidden");
    f[12000 + 82] = 0;
    ASSERT_TRUE(rec.Append_DV_frame(f));
    rec.Close_File();
    ASSERT_TRUE(rec.Open_File(Path("nul.qs2")));
    ASSERT_TRUE(rec.Read_Frame(1));
    EXPECT_EQ(rec.Extra().Read_Comment(), "");
}

TEST_F(Properties, AFileBeyondTwoGigabytesKeepsItsSize)
{
    const std::string path = Make_qs2("long.qs2", 1);
    const int64_t size = (int64_t(1) << 31) + 100005 + 7;
    fs::resize_file(path, uintmax_t(size)); // sparse
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(rec.File_size(), size);
    EXPECT_EQ(rec.num_Calculated_frames(), int32_t(((int64_t(1) << 31) + 7) / 144000));
    ASSERT_TRUE(rec.Read_Frame(1));
    rec.Close_File();
    EXPECT_EQ(rec.File_size(), size);
}

TEST_F(Properties, CreatingTheObjectNeverStopsTheProgram)
{
    {
        // No DV codec known yet: no question, no end, and no compression claimed.
        cls_AVI_handler rec(3);
        EXPECT_EQ(rec.p_index(), 3);
        EXPECT_EQ(rec.Source_Format().biCompression, 0);
        EXPECT_EQ(rec.Source_Format().biWidth, 720);
        EXPECT_EQ(rec.Source_Format().biHeight, 576);
        EXPECT_EQ(rec.Source_Format().biBitCount, 24);
        EXPECT_EQ(rec.Source_Format().biSizeImage, 144000);
    }
    g_DV_Codec = "CDVC";
    cls_AVI_handler rec;
    EXPECT_EQ(rec.Source_Format().biCompression, int32_t('C' | 'D' << 8 | 'V' << 16 | 'C' << 24));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Properties, TimesOfTheCurrentFrameBelongToIt)
{
    g_DV_Codec = "CDVC";
    test::Write_DV_file(Path("d.dv"), Frames());
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("d.dv")));
    EXPECT_FALSE(rec.Wide_Screen()); // reads frame 1 first
    EXPECT_EQ(rec.Frame_in_store(), 1);
    ASSERT_TRUE(rec.Read_Frame(3));
    const std::string tc = rec.Timecode_string();
    EXPECT_EQ(tc.substr(0, 10), "Rec. date ");
    EXPECT_NE(tc.find("\r\nTimecode: 12:00:00 frame: 2"), std::string::npos);
    EXPECT_NE(tc.find("\r\nZoom = "), std::string::npos);
    EXPECT_EQ(rec.DV_data_hours(), 12);
    EXPECT_EQ(rec.DV_data_minutes(), 0);
    EXPECT_EQ(rec.Timestamp_string(), "\r\nDV frame timestamp = 0");
    EXPECT_EQ(rec.DV_date(), "");

    cls_AVI_handler qs;
    ASSERT_TRUE(qs.Open_File(Make_qs2("heat.qs2", 2)));
    ASSERT_TRUE(qs.Read_Frame(2));
    EXPECT_EQ(qs.Extra().Capture_mill_time(), 1080);
    qs.Let_Current_Field(3);
    EXPECT_EQ(qs.xCurrent(), 3);
    EXPECT_EQ(qs.Current_net(), 4); // no selection start: the field less 0, plus 1
    const std::string props = qs.Property_String();
    EXPECT_EQ(props.substr(0, 12 + qs.File_name().size()), "File name : " + qs.File_name());
    EXPECT_NE(props.find("\r\nNum frames = 2\r\n"), std::string::npos);
    EXPECT_NE(props.find("\r\nClip length = 0.1 sec\r\n"), std::string::npos);
    EXPECT_NE(props.find("\r\nFps = 25.0\r\n"), std::string::npos);
}

} // namespace
} // namespace wk
