// The recording object's smaller members: the timing runs on the program's sample frame, the
// read test, the luminance pair, the DV start, field separation, preloaded pictures and the
// header forwarders.
#include "platform/Sample_DV_frame.h"
#include "services/Module_qsm_Globals.h"
#include "services/graphics/cDIBSection.h"
#include "tests/recording/Recording_maker.h"
#include "tests/recording/Told.h"
#include "tests/support/Told_operator.h"

#include <QCursor>
#include <QGuiApplication>

#include <fstream>

namespace wk {
namespace {

namespace fs = std::filesystem;

class Smaller_members : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    // A raw DV file of `count` frames.
    std::string Dv_file(const std::string& name, int count)
    {
        std::vector<test::DV_frame> frames;
        for (int i = 0; i < count; ++i) frames.push_back(test::Stream_frames(1)[size_t(i) % 8]);
        test::Write_DV_file(Path(name), frames);
        return Path(name);
    }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    cls_AVI_handler rec;
};

// B, G, R of picture pixel (x, y), y from the top.
std::array<int, 3> Bgr(const cDIBSection& p, int x, int y)
{
    const uint8_t* px = p.DIBSectionBitsPtr() + size_t(p.Height() - 1 - y) * size_t(p.BytesPerScanLine()) + size_t(x) * 3;
    return {px[0], px[1], px[2]};
}

TEST_F(Smaller_members, TheSampleFrameIsAWholePalDvFrameMadeByTheProgram)
{
    const auto sample = platform::Sample_DV_frame();
    ASSERT_EQ(sample.size(), 144000u);
    EXPECT_EQ(sample[0], 0x1F);
    EXPECT_EQ(sample[1], 0x07);
    EXPECT_EQ(sample[3] & 0x80, 0x80); // 625 lines
}

TEST_F(Smaller_members, TheDecodeRunShowsTheColourBarsAndTheOtherRunsWorkOnIt)
{
    EXPECT_EQ(rec.Bench().Bench_picture(0), nullptr);
    ASSERT_TRUE(rec.Bench().Benchmark_Decomp_Once());
    EXPECT_EQ(rec.Bench().Bench_decode_result(), 1);
    const cDIBSection& frame = *rec.Bench().Bench_picture(0);
    const auto white = Bgr(frame, 45, 300), yellow = Bgr(frame, 135, 300), blue = Bgr(frame, 585, 300),
               black = Bgr(frame, 675, 300);
    EXPECT_GT(white[0], 160);
    EXPECT_GT(white[2], 160);
    EXPECT_LT(yellow[0], 60);  // no blue in yellow
    EXPECT_GT(yellow[1], 150);
    EXPECT_GT(blue[0], 150);
    EXPECT_LT(blue[2], 60);
    EXPECT_LT(black[1], 30);

    ASSERT_TRUE(rec.Bench().Benchmark_Rotate_Once());
    const cDIBSection& turned = *rec.Bench().Bench_picture(2);
    ASSERT_EQ(turned.Width(), 576);
    ASSERT_EQ(turned.Height(), 720);
    // Clockwise: frame pixel (x, y) lands on (575 - y, x).
    EXPECT_EQ(Bgr(turned, 575 - 300, 135), yellow);
    EXPECT_EQ(Bgr(turned, 575 - 300, 675), black);

    ASSERT_TRUE(rec.Bench().Benchmark_Deint_Once());
    const cDIBSection& field = *rec.Bench().Bench_picture(1);
    for (int y = 0; y < 576; y += 2) ASSERT_EQ(Bgr(field, 135, y), Bgr(field, 135, y + 1)) << y;
    EXPECT_EQ(Bgr(field, 135, 300), Bgr(frame, 135, 301)); // field 1 is the odd rows
}

TEST_F(Smaller_members, TheReadTestOnAShortRecordingSaysSoInsteadOfATime)
{
    ASSERT_TRUE(rec.Open_File(Dv_file("short.dv", 20))); // ends one frame too early
    const std::string said = rec.Bench().benchmark_getfile();
    EXPECT_EQ(said.find("Get time"), std::string::npos);
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::read_test,
                           "too short for the read test: 2880000 bytes, 3023999 needed"));
}

TEST_F(Smaller_members, TheReadTestTimesTwentyReadsOfOneFrame)
{
    struct Slow_clock final : test::Manual_clock {
        int32_t Tick() override { return tick += 35; } // each look at the clock takes 35 ms
    } slow;
    ASSERT_TRUE(rec.Open_File(Dv_file("long.dv", 21)));
    EXPECT_EQ(rec.Bench().benchmark_getfile(), "Get time = 1.75");
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::read_test, "Get time = 1.75"));
    rec.Close_File();
    rec.Bench().benchmark_getfile();
    EXPECT_TRUE(test::Told(rec.Take_problems(), Recording_problem::Kind::read_test, "No recording is open"));
}

TEST_F(Smaller_members, LuminanceRoundsHalvesToEvenAndRefusesOverflow)
{
    // (c x 81 + a x 18 + e) / 100 + 1 and (d x 81 + b x 18 + f) / 100 + 1; order a, b, c, d, e, f.
    rec.Bench().Let_Luminance_inputs({0, 0, 0, 0, 150, 250});
    rec.Bench().calculate_luminance();
    EXPECT_EQ(rec.Bench().Luminance_1(), 2); // 2.5
    EXPECT_EQ(rec.Bench().Luminance_2(), 4); // 3.5
    rec.Bench().Let_Luminance_inputs({100, 10, 100, 200, 0, 51});
    rec.Bench().calculate_luminance();
    EXPECT_EQ(rec.Bench().Luminance_1(), 100); // 99 + 1
    EXPECT_EQ(rec.Bench().Luminance_2(), 165); // (16200 + 180 + 51) / 100 + 1 = 165.31
    rec.Bench().Let_Luminance_inputs({0, 0, INT32_MAX / 81 + 1, 0, 0, 0});
    EXPECT_EQ(test::Error_number([&] { rec.Bench().calculate_luminance(); }), err_Overflow);
    EXPECT_EQ(rec.Bench().Luminance_1(), 100);
}

TEST_F(Smaller_members, TheDvStartIsTheFirstByteThatIsNotZero)
{
    const std::string dv = Dv_file("one.dv", 1);
    EXPECT_EQ(rec.find_DV_offset(dv), 0);
    std::string padded(7, '\0');
    padded += test::Read_file(dv);
    test::Write_file(Path("padded.dv"), padded);
    EXPECT_EQ(rec.find_DV_offset(Path("padded.dv")), 7);
}

// A picture whose rows (from the top) are filled with their own row number.
void Number_rows(cDIBSection& p)
{
    for (int y = 0; y < p.Height(); ++y)
        std::memset(p.DIBSectionBitsPtr() + size_t(p.Height() - 1 - y) * size_t(p.BytesPerScanLine()), y,
                    size_t(p.BytesPerScanLine()));
}

TEST_F(Smaller_members, FieldSeparationDoublesTheChosenFieldsRows)
{
    cDIBSection source, target, other;
    ASSERT_TRUE(source.Create(4, 5));
    ASSERT_TRUE(target.Create(4, 5));
    ASSERT_TRUE(other.Create(5, 5));
    Number_rows(source);
    ASSERT_TRUE(rec.Deinterlace_DIBS(source, target, 1));
    std::vector<int> rows;
    for (int y = 0; y < 5; ++y) rows.push_back(Bgr(target, 0, y)[0]);
    EXPECT_EQ(rows, (std::vector<int>{1, 1, 3, 3, 4}));
    ASSERT_TRUE(rec.Deinterlace_DIBS(source, target, 2));
    rows.clear();
    for (int y = 0; y < 5; ++y) rows.push_back(Bgr(target, 0, y)[0]);
    EXPECT_EQ(rows, (std::vector<int>{0, 0, 2, 2, 4}));
    rec.Let_Deinterlace_copy_first(true);
    ASSERT_TRUE(rec.Deinterlace_DIBS(source, source, 1)); // in place
    EXPECT_EQ(Bgr(source, 0, 0)[0], 1);
    EXPECT_EQ(Bgr(source, 0, 2)[0], 3);
    EXPECT_FALSE(rec.Deinterlace_DIBS(source, other, 1));
    EXPECT_FALSE(rec.Deinterlace_DIBS(source, target, 3));
}

TEST_F(Smaller_members, EveryFrameIsPreloadedAsItsOwnPicture)
{
    ASSERT_TRUE(rec.Open_File(Dv_file("three.dv", 3)));
    ASSERT_TRUE(rec.Read_In_Bitmaps());
    ASSERT_EQ(rec.Bitmap_count(), 3);
    for (int f = 1; f <= 3; ++f) {
        const cDIBSection* p = rec.Bitmap(f);
        ASSERT_NE(p, nullptr);
        const int y = test::Code_row(1);
        EXPECT_EQ(test::Field_code_from_row([&](int x) { return Bgr(*p, x, y)[1]; }), 2 * f - 1) << f;
    }
    EXPECT_EQ(rec.Bitmap(4), nullptr);
    rec.Clear_Bitmap_Collection();
    EXPECT_EQ(rec.Bitmap_count(), 0);
}

TEST_F(Smaller_members, OncePreloadedFramesArePaintedFromTheirPicturesNotTheFile)
{
    ASSERT_TRUE(rec.Open_File(Dv_file("three.dv", 3)));
    ASSERT_TRUE(rec.Read_In_Bitmaps());
    const int64_t decoded = rec.Decoded_count();
    const int32_t in_store = rec.Frame_in_store();
    test::Picture picture;
    const int y = test::Code_row(1);
    int32_t frame = 2;
    ASSERT_TRUE(rec.Draw_frame(frame, picture.dc));
    EXPECT_EQ(test::Code_in_row(picture, y), 3);
    frame = 0;
    ASSERT_TRUE(rec.Draw_frame(frame, picture.dc));
    EXPECT_EQ(frame, 1);
    EXPECT_EQ(test::Code_in_row(picture, y), 1);
    // Nothing was read or decoded for them.
    EXPECT_EQ(rec.Decoded_count(), decoded);
    EXPECT_EQ(rec.Frame_in_store(), in_store);
    // Past the end the pictures hold nothing: what the file path does there (black).
    frame = 4;
    EXPECT_FALSE(rec.Draw_frame(frame, picture.dc));
    EXPECT_EQ(picture.Luma(10, 10), 0);
    // A mirrored frame is no preloaded picture: it is decoded and mirrored.
    frame = 2;
    ASSERT_TRUE(rec.Draw_frame(frame, picture.dc, true));
    EXPECT_EQ(rec.Decoded_count(), decoded + 1);
    EXPECT_EQ(test::Field_code_from_row([&](int x) { return picture.Luma(719 - x, y); }), 3);
}

TEST_F(Smaller_members, PreloadedPicturesServeOnlyTheirOwnStream)
{
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(home.path() / "two.qs2", 3, 2)));
    ASSERT_TRUE(rec.Read_In_Bitmaps());
    test::Picture picture;
    int32_t frame = 2;
    ASSERT_TRUE(rec.Draw_frame(frame, picture.dc, false, 2));
    EXPECT_EQ(test::Code_in_row(picture, test::Code_row(1)), 1003);
    ASSERT_TRUE(rec.Draw_frame(frame, picture.dc, false, 1));
    EXPECT_EQ(test::Code_in_row(picture, test::Code_row(1)), 3);
}

TEST_F(Smaller_members, PreloadedPicturesGoWithTheirRecording)
{
    ASSERT_TRUE(rec.Open_File(Dv_file("three.dv", 3)));
    ASSERT_TRUE(rec.Read_In_Bitmaps());
    rec.Close_File();
    EXPECT_EQ(rec.Bitmap_count(), 0);
    test::Picture picture;
    int32_t frame = 1;
    EXPECT_FALSE(rec.Draw_frame(frame, picture.dc));
    EXPECT_EQ(picture.Luma(10, 10), qGreen(QColor(Qt::darkGray).rgb())); // untouched
    // Another recording shows its own frames.
    test::Write_DV_file(Path("other.dv"), {test::Stream_frames(2)[0], test::Stream_frames(2)[1]});
    ASSERT_TRUE(rec.Open_File(Path("three.dv")));
    ASSERT_TRUE(rec.Read_In_Bitmaps());
    ASSERT_TRUE(rec.Open_File(Path("other.dv")));
    ASSERT_TRUE(rec.Draw_frame(frame, picture.dc));
    EXPECT_EQ(test::Code_in_row(picture, test::Code_row(1)), 1001);
}

TEST_F(Smaller_members, TheSizesOfTheFrameAndOverlayPicturesReadAsText)
{
    EXPECT_EQ(rec.DIB_sizes(), "0,0 0,0");
    ASSERT_TRUE(rec.Open_File(Dv_file("three.dv", 3)));
    test::Picture half(360, 288);
    int32_t frame = 1;
    ASSERT_TRUE(rec.Draw_frame(frame, half.dc));
    EXPECT_EQ(rec.DIB_sizes(), "720,576 360,288");
}

TEST_F(Smaller_members, PrereadSaysHowMuchIsReadAfterEveryBlock)
{
    std::vector<int16_t> percents;
    rec.Progress = [&](int16_t percent) { percents.push_back(percent); };
    rec.Preread_File(); // nothing open
    EXPECT_TRUE(percents.empty());
    ASSERT_TRUE(rec.Open_File(Dv_file("ten.dv", 10))); // 1440000 bytes: a block and 391424 bytes
    rec.Preread_File();
    EXPECT_EQ(percents, (std::vector<int16_t>{73, 100}));
}

TEST_F(Smaller_members, ReadingIntoMemoryShowsTheWaitCursorBetweenItsEvents)
{
    std::vector<std::string> seen;
    const auto cursor = [] {
        const QCursor* c = QGuiApplication::overrideCursor();
        return std::string(c == nullptr ? "normal" : c->shape() == Qt::WaitCursor ? "wait" : "other");
    };
    rec.Reading_started = [&] { seen.push_back("started, " + cursor()); };
    rec.Reading_ended = [&] { seen.push_back("ended, " + cursor()); };
    EXPECT_FALSE(rec.Read_File_to_Memory()); // nothing open
    EXPECT_TRUE(seen.empty());
    const std::string path = Dv_file("three.dv", 3);
    rec.Let_Read_to_Memory(true);
    ASSERT_TRUE(rec.Open_File(path));
    EXPECT_EQ(seen, (std::vector<std::string>{"started, wait", "ended, normal"}));
    EXPECT_TRUE(rec.In_memory());
    fs::remove(path); // frames now come from memory
    ASSERT_TRUE(rec.Read_Frame(3));
    EXPECT_EQ(std::memcmp(rec.Frame_bytes().data(), test::Stream_frames(1)[2].data(), 144000), 0);
}

TEST_F(Smaller_members, ReadFfDecodesTheFrameLastDrawnAtThePicturesSize)
{
    ASSERT_TRUE(rec.Open_File(Dv_file("three.dv", 3)));
    cDIBSection full, half;
    EXPECT_FALSE(rec.Read_ff(full)); // no device context yet
    ASSERT_TRUE(full.Create(720, 576));
    rec.Let_Current_Frame(2);
    ASSERT_TRUE(rec.Read_ff(full));
    EXPECT_EQ(rec.Frame_in_store(), 2);
    const int y = test::Code_row(1);
    EXPECT_EQ(test::Field_code_from_row([&](int x) { return Bgr(full, x, y)[1]; }), 3);
    ASSERT_TRUE(half.Create(360, 288));
    EXPECT_TRUE(rec.Read_ff(half)); // scaled to the picture
    EXPECT_GT(half.Image_Brightness(), 0);
}

TEST_F(Smaller_members, TheOverlayRoutinesNeedTheirPicturesAndThenBlendAndSeparate)
{
    test::Picture picture;
    EXPECT_FALSE(rec.A_blend(picture.dc)); // nothing open, no overlay pictures
    EXPECT_FALSE(rec.Store_OL_source());
    ASSERT_TRUE(rec.Open_File(Dv_file("three.dv", 3)));
    rec.Overlay(4);
    int32_t frame = 2;
    ASSERT_TRUE(rec.Draw_frame(frame, picture.dc));
    ASSERT_TRUE(rec.Store_OL_source());
    const cDIBSection& source = *rec.Overlay_Source();
    for (int y = 0; y < 20; y += 2) EXPECT_EQ(Bgr(source, 100, y), Bgr(source, 100, y + 1));
    EXPECT_TRUE(rec.A_blend(picture.dc));
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Smaller_members, AnOutlineGoesRoundTheWholePictureWithItsPen)
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    platform::Draw_surface dc(&image);
    dc.SelectPen({platform::PS_SOLID, 1, platform::Rgb(255, 0, 0)});
    rec.Fill_PBox(dc);
    EXPECT_EQ(dc.GetPixel(0, 0), platform::Rgb(255, 0, 0));
    EXPECT_EQ(dc.GetPixel(19, 9), platform::Rgb(255, 0, 0));
    EXPECT_EQ(dc.GetPixel(10, 5), 0); // not filled
}

TEST_F(Smaller_members, TheHeaderForwardersReachTheHeadersElements)
{
    const std::string path = test::Make_qs2(home.path() / "heat.qs2", 2);
    ASSERT_TRUE(rec.Open_File(path));
    rec.Header().comment(3, "windy");
    rec.Header().Subject_name("K1 200 m");
    rec.Header().SpecApp("golf");
    rec.Header().Camera_ID(2, "cam B");
    EXPECT_EQ(rec.Header().comment(3), "windy");
    EXPECT_EQ(rec.Header().Subject_name(), "K1 200 m");
    EXPECT_EQ(rec.Header().SpecApp(), "golf");
    EXPECT_EQ(rec.Header().Camera_ID(2), "cam B");
    test::Told_operator told;
    rec.Dump_XML_Header("dump.xml");
    EXPECT_TRUE(told.Said("XML header dumped to: "));
    EXPECT_NE(test::Read_file(home.App_data() / "dump.xml").find("K1 200 m"), std::string::npos);
    // The golf elements need a header with the golf section.
    EXPECT_NE(test::Error_number([&] { rec.Header().anp_filename(); }), 0);
}

TEST_F(Smaller_members, GraphObjectsAndTheAnimationFileAreKeptInTheRecording)
{
    const std::string path = Path("swing.qs2");
    {
        cls_AVI_handler w;
        w.Golf().Golfing(true);
        w.File_name(path);
        ASSERT_TRUE(w.Create_File());
        w.Initiate_file();
        ASSERT_TRUE(w.Append_DV_frame(test::Stream_frames(1)[0]));
        w.Close_File();
    }
    ASSERT_TRUE(rec.Open_File(path));
    rec.Save_Graph_object(3, 2, 1, 0x00FF80, 1, 3, true, 10, -20, 30, 40, 50, 60, 700, 32767);
    rec.Header().anp_filename("swing.anp");
    rec.anp_file_lines(2);
    rec.Header().anp_line(1, "M 10 20");
    rec.Header().anp_line(150, "L 30 40");
    ASSERT_TRUE(rec.Write_XML_header());
    rec.Close_File();

    ASSERT_TRUE(rec.Open_File(path));
    int16_t type = 0, layer = 0, linetype = 0, linewidth = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0,
            x4 = 0, y4 = 0;
    int32_t color = 0;
    bool filled = false;
    rec.Load_Graph_object(3, type, layer, color, linetype, linewidth, filled, x1, y1, x2, y2, x3, y3, x4, y4);
    EXPECT_EQ(std::vector<int>({type, layer, color, linetype, linewidth, filled}),
              std::vector<int>({2, 1, 0x00FF80, 1, 3, 1}));
    EXPECT_EQ(std::vector<int>({x1, y1, x2, y2, x3, y3, x4, y4}), std::vector<int>({10, -20, 30, 40, 50, 60, 700, 32767}));
    // An object never saved reads as the template has it.
    rec.Load_Graph_object(1, type, layer, color, linetype, linewidth, filled, x1, y1, x2, y2, x3, y3, x4, y4);
    EXPECT_EQ(std::vector<int>({type, color, filled, x1, y4}), std::vector<int>({0, 0, 0, 0, 0}));
    EXPECT_EQ(rec.Header().anp_filename(), "swing.anp");
    EXPECT_EQ(rec.anp_file_lines(), 2);
    EXPECT_EQ(rec.Header().anp_line(1), "M 10 20");
    EXPECT_EQ(rec.Header().anp_line(2), "");
    EXPECT_EQ(rec.Header().anp_line(150), "L 30 40");
    EXPECT_NE(test::Error_number([&] { rec.Header().anp_line(151); }), 0);
    EXPECT_NE(test::Error_number([&] {
                  rec.Load_Graph_object(26, type, layer, color, linetype, linewidth, filled, x1, y1, x2, y2, x3, y3,
                                        x4, y4);
              }),
              0);
}

} // namespace
} // namespace wk
