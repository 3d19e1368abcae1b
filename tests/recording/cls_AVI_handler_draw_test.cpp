// The recording object's frame and field drawing: what the decoder gives, which field is which,
// decoding once per frame, the picture paths (rotated, mirrored, overlays) and what a frame that
// cannot be decoded shows.
#include "platform/Av_frame_decoder.h"
#include "platform/Image_library.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/graphics/cDIBSection.h"
#include "tests/recording/Recording_maker.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <memory>

namespace wk {
namespace {

namespace fs = std::filesystem;
using test::Picture;

class Drawing : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
};

// libavcodec's own decode of a frame, converted to BGR rows from the top.
std::vector<uint8_t> Reference_bgr(std::span<const uint8_t> frame)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    EXPECT_EQ(avcodec_open2(ctx, codec, nullptr), 0);
    std::vector<uint8_t> padded(frame.begin(), frame.end());
    padded.resize(frame.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    AVPacket* packet = av_packet_alloc();
    AVFrame* picture = av_frame_alloc();
    packet->data = padded.data();
    packet->size = int(frame.size());
    EXPECT_EQ(avcodec_send_packet(ctx, packet), 0);
    EXPECT_EQ(avcodec_receive_frame(ctx, picture), 0);
    std::vector<uint8_t> bgr(size_t(720) * 576 * 3);
    SwsContext* sws = sws_getContext(picture->width, picture->height, AVPixelFormat(picture->format), 720, 576,
                                     AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
    uint8_t* dst[4] = {bgr.data(), nullptr, nullptr, nullptr};
    int dst_stride[4] = {720 * 3, 0, 0, 0};
    sws_scale(sws, picture->data, picture->linesize, 0, picture->height, dst, dst_stride);
    sws_freeContext(sws);
    packet->data = nullptr;
    av_packet_free(&packet);
    av_frame_free(&picture);
    avcodec_free_context(&ctx);
    return bgr;
}

TEST_F(Drawing, TheDecoderGivesLibavcodecsPictureBottomUpAndTheRecordsInsideTheFrameChangeNoPixel)
{
    const test::DV_frame& plain = test::Stream_frames(1)[2];
    platform::Av_frame_decoder decoder;
    ASSERT_TRUE(decoder.Is_open());
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(720, 576));
    ASSERT_TRUE(dib.Decode_frame(decoder, plain));
    const std::vector<uint8_t> reference = Reference_bgr(plain);
    const int32_t stride = dib.BytesPerScanLine();
    ASSERT_EQ(stride, 2160);
    int worst = 0;
    for (int y = 0; y < 576; ++y) {
        // Memory row 0 is the picture's bottom row.
        const uint8_t* row = dib.DIBSectionBitsPtr() + size_t(575 - y) * size_t(stride);
        for (int i = 0; i < 720 * 3; ++i)
            worst = std::max(worst, std::abs(int(row[i]) - int(reference[size_t(y) * 2160 + size_t(i)])));
    }
    // Colour conversion rounding only.
    EXPECT_LE(worst, 2);

    // The capture station's record at 12000 and a trace record at 48008: the same pixels.
    test::DV_frame marked = plain;
    test::Write_DV_extra_data(marked, {.stamp_tick = 123456, .heat_start = 1000, .comment = "Heat 3"});
    Trace_Record r;
    r.Set_tag();
    for (int16_t p = 1; p <= 10; ++p) {
        r.x(p, 1) = int16_t(-100 * p);
        r.y(p, 2) = int16_t(32000 - p);
    }
    const auto bytes = r.To_bytes();
    std::memcpy(marked.data() + Trace_Record::k_Offset, bytes.data(), bytes.size());
    cDIBSection again;
    ASSERT_TRUE(again.Create(720, 576));
    ASSERT_TRUE(again.Decode_frame(decoder, marked));
    EXPECT_EQ(std::memcmp(again.DIBSectionBitsPtr(), dib.DIBSectionBitsPtr(), size_t(dib.SizeImage())), 0);
    EXPECT_EQ(decoder.Decoded_count(), 2);
}

TEST_F(Drawing, Field1IsTheEarlierPictureAndStepping1To2DecodesOnce)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(Path("heat.qs2"), 4)));
    Picture p;
    for (int32_t frame = 1; frame <= 4; ++frame) {
        const int64_t before = rec.Decoded_count();
        ASSERT_TRUE(rec.Draw_field_3(2 * frame - 1, p.dc));
        EXPECT_EQ(rec.Decoded_count(), before + 1);
        // The field fills the picture's rows: any row of the band shows its number.
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 2 * frame - 1);
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 2 * frame - 1);
        EXPECT_EQ(rec.Field_To_Show(), 1);
        EXPECT_EQ(rec.eff_frameno(), frame);
        // Field 1 has the frame's time; field 2 is 20 ms later.
        EXPECT_FLOAT_EQ(rec.Effective_Time(), float(40 * (frame - 1)));

        ASSERT_TRUE(rec.Draw_field_3(2 * frame, p.dc));
        EXPECT_EQ(rec.Decoded_count(), before + 1) << "field 2 comes from the frame decoded for field 1";
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 2 * frame);
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 2 * frame);
        EXPECT_EQ(rec.Field_To_Show(), 2);
        EXPECT_FLOAT_EQ(rec.Effective_Time(), float(40 * (frame - 1) + 20));
        EXPECT_EQ(rec.Last_Field(), 2 * frame);

        // The same field again: painted from the field picture, nothing read or decoded.
        p.image.fill(Qt::black);
        ASSERT_TRUE(rec.Draw_field_3(2 * frame, p.dc));
        EXPECT_EQ(rec.Decoded_count(), before + 1);
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 2 * frame);
    }
    // Back to field 1 of the frame just shown: still no decode.
    const int64_t n = rec.Decoded_count();
    ASSERT_TRUE(rec.Draw_field_3(7, p.dc));
    EXPECT_EQ(rec.Decoded_count(), n);
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 7);
    // Force_Reread_Frame makes the next field decode again.
    rec.Force_Reread_Frame();
    ASSERT_TRUE(rec.Draw_field_3(8, p.dc));
    EXPECT_EQ(rec.Decoded_count(), n + 1);
    // Refresh_field repaints without reading.
    p.image.fill(Qt::black);
    rec.Refresh_field(p.dc, false);
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 8);
    EXPECT_EQ(rec.Decoded_count(), n + 1);
}

TEST_F(Drawing, AFrameThatCannotBeDecodedNeverShowsTheFrameBefore)
{
    // Frame 2 claims to be 50 Mbit DV, twice the bytes it has: no decoder takes it.
    const std::string path = test::Make_qs2(Path("broken.qs2"), 3, 1, [](test::DV_frame& f, int k, int) {
        if (k == 2) f[80 * 5 + 48 + 3] = uint8_t((f[80 * 5 + 48 + 3] & ~0x1F) | 4);
    });
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(path));
    Picture p;
    ASSERT_TRUE(rec.Draw_field_3(2, p.dc));
    ASSERT_EQ(test::Code_in_row(p, test::Code_row(1)), 2);

    EXPECT_FALSE(rec.Draw_field_3(3, p.dc));
    EXPECT_EQ(p.Luma(360, test::Code_row(1)), 0) << "black, not field 2 again";
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 0);
    EXPECT_NE(rec.Decoded_Frame_No[1], 2) << "the cache keeps only what was decoded";
    EXPECT_EQ(rec.Last_Field(), 0);
    // Field 2 of the same frame does not show the old picture either.
    p.image.fill(Qt::white);
    EXPECT_FALSE(rec.Draw_field_3(4, p.dc));
    EXPECT_EQ(p.Luma(360, test::Code_row(1)), 0);
    // A good frame afterwards draws as usual.
    ASSERT_TRUE(rec.Draw_field_3(5, p.dc));
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 5);

    // The whole-frame drawing likewise: black, and the codec in Decode_Info.
    int32_t f = 1;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_EQ(rec.Decode_Info(), "144000");
    f = 2;
    EXPECT_FALSE(rec.Draw_frame(f, p.dc));
    EXPECT_EQ(p.Luma(360, test::Code_row(1)), 0);
    EXPECT_EQ(rec.Decode_Info(), g_DV_Codec.empty() ? "dvsd" : g_DV_Codec);
    // Mirrored, rotated and overlay drawing of the broken frame show black as well.
    for (int way = 0; way < 3; ++way) {
        p.image.fill(Qt::white);
        rec.Overlay(way == 2 ? 2 : 0);
        EXPECT_FALSE(rec.Draw_frame(f, p.dc, way == 0, 1, nullptr, way == 1)) << way;
        EXPECT_EQ(p.Luma(100, 100), 0) << way;
    }
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Drawing, FrameZeroDrawsFrameOneWithBothFieldsAndTheFrameTime)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(Path("heat.qs2"), 3)));
    Picture p;
    int32_t f = 0;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_EQ(f, 1);
    EXPECT_EQ(rec.Current_Frame(), 1);
    // A whole frame: its rows alternate between the two fields.
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 1);
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 2);
    EXPECT_EQ(rec.Field_To_Show(), 1);
    f = 3;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_FLOAT_EQ(rec.Effective_Time(), 80.0f);
    // Past the end: the last frame, the caller's variable kept.
    f = 40;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_EQ(f, 40);
    EXPECT_EQ(rec.Frame_in_store(), 3);
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 5);

    // Into a picture of another size: stretched over it.
    Picture small(360, 288);
    f = 2;
    ASSERT_TRUE(rec.Draw_frame(f, small.dc));
    // Halved: a row of the one field or the other.
    const auto frame_2 = [](int64_t code) { return code == 3 || code == 4; };
    EXPECT_PRED1(frame_2, test::Code_in_row(small, test::Code_row(1) / 2, 0, 0.5));
    // With a target the frame goes there 1:1 and the picture stays as it was.
    small.image.fill(Qt::white);
    Picture target;
    ASSERT_TRUE(rec.Draw_frame(f, small.dc, false, 1, &target.dc));
    EXPECT_EQ(test::Code_in_row(target, test::Code_row(2)), 4);
    EXPECT_EQ(small.Luma(10, 10), 255);
    // Blit_Frame: the frame in store at a given size; Refresh_frame decodes it again.
    Picture blit;
    ASSERT_TRUE(rec.Blit_Frame(&blit.dc, 360, 288));
    EXPECT_PRED1(frame_2, test::Code_in_row(blit, test::Code_row(1) / 2, 0, 0.5));
    Picture refreshed;
    ASSERT_TRUE(rec.Refresh_frame(refreshed.dc));
    EXPECT_EQ(test::Code_in_row(refreshed, test::Code_row(1)), 3);
}

TEST_F(Drawing, MirroredRotatedAndPannedFrames)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(Path("heat.qs2"), 3)));
    Picture straight, mirrored, by_flip, rotated, both;
    int32_t f = 2;
    ASSERT_TRUE(rec.Draw_frame(f, straight.dc));
    ASSERT_TRUE(rec.Draw_frame(f, mirrored.dc, true));
    for (int y : {100, test::Code_row(1), 400})
        for (int x : {0, 45, 333, 719}) EXPECT_EQ(mirrored.Luma(719 - x, y), straight.Luma(x, y)) << x << "," << y;
    rec.flip(-1);
    ASSERT_TRUE(rec.Draw_frame(f, by_flip.dc));
    EXPECT_EQ(by_flip.image, mirrored.image);
    rec.flip(0);

    // Clockwise: the code band runs down the picture; rotated and mirrored: only rotated.
    ASSERT_TRUE(rec.Draw_frame(f, rotated.dc, false, 1, nullptr, true));
    ASSERT_TRUE(rec.Draw_frame(f, both.dc, true, 1, nullptr, true));
    EXPECT_EQ(both.image, rotated.image);
    const int64_t code = test::Code_in_rotated(rotated, 0, 720);
    EXPECT_TRUE(code == 3 || code == 4) << code;
    EXPECT_FLOAT_EQ(rec.Effective_Time(), 40.0f);

    // Panned: a window of the frame 1:1 from (x, y).
    Picture panned(200, 100);
    ASSERT_TRUE(rec.Draw_Panned_frame(2, panned.dc, 100, int16_t(test::Code_row(1) - 50)));
    EXPECT_EQ(panned.Luma(50, 50), straight.Luma(150, test::Code_row(1)));
    EXPECT_EQ(panned.Luma(199, 50), straight.Luma(299, test::Code_row(1)));
}

TEST_F(Drawing, OverlaysGatherTheMovingBarAndMirroringLeavesThemAlone)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(Path("heat.qs2"), 4)));
    Picture p;
    const int bar_y = test::k_Bar_top + 10; // an even row: field 2 of each frame
    auto bar_at = [&](const Picture& pic, int64_t field) {
        return pic.Luma(test::Bar_left(field) + test::k_Bar_width / 2, bar_y) > 200;
    };
    rec.Overlay(2); // lighter
    for (int32_t f = 1; f <= 3; ++f) ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    // Field 2 of frames 1, 2 and 3 all in one picture.
    for (int64_t field : {2, 4, 6}) EXPECT_TRUE(bar_at(p, field)) << field;
    EXPECT_FALSE(bar_at(p, 8));
    const QImage gathered = p.image;

    // A mirrored frame in between does not touch the overlay pictures.
    rec.Overlay(0);
    int32_t f = 4;
    Picture mirrored;
    ASSERT_TRUE(rec.Draw_frame(f, mirrored.dc, true));
    rec.Overlay(2);
    Picture again;
    ASSERT_TRUE(rec.Refresh_frame(again.dc));
    EXPECT_EQ(again.image, gathered);

    // Frame 1 starts the overlay again.
    f = 1;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_TRUE(bar_at(p, 2));
    EXPECT_FALSE(bar_at(p, 4));

    // Mode 4: where a frame differs from frame 1 (the background) it is copied over the
    // overlay: the bar of frame 3 comes in, the place where frame 1 had its bar is background.
    rec.Overlay(4);
    rec.Blend_faktor(60);
    f = 1;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_TRUE(bar_at(p, 2));
    f = 3;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_TRUE(bar_at(p, 6));
    EXPECT_FALSE(bar_at(p, 2));
    EXPECT_FALSE(bar_at(p, 4));
    // A blend factor above any difference copies nothing.
    rec.Blend_faktor(765);
    f = 4;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_TRUE(bar_at(p, 6));
    EXPECT_FALSE(bar_at(p, 8));

    // Mode 3: darker; the bars vanish into the background.
    rec.Overlay(3);
    f = 1;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    f = 2;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    EXPECT_FALSE(bar_at(p, 2));
    EXPECT_FALSE(bar_at(p, 4));

    // Store_frame and Restore_target fill the overlay pictures; Reset_Overlay starts from the
    // frame in store.
    rec.Overlay(2);
    ASSERT_TRUE(rec.Store_frame(3, "source"));
    ASSERT_TRUE(rec.Restore_target(1));
    EXPECT_FALSE(rec.Store_frame(3, "elsewhere"));
    ASSERT_NE(rec.Overlay_Source(), nullptr);
    EXPECT_NE(std::memcmp(rec.Overlay_Source()->DIBSectionBitsPtr(), rec.Overlay_Target()->DIBSectionBitsPtr(),
                          size_t(rec.Overlay_Target()->SizeImage())),
              0);
    ASSERT_TRUE(rec.Read_Frame(3));
    Picture reset;
    ASSERT_TRUE(rec.Reset_Overlay(reset.dc));
    EXPECT_TRUE(bar_at(reset, 6));
    EXPECT_FALSE(bar_at(reset, 2));
    // A negative mode draws nothing.
    rec.Overlay(-1);
    reset.image.fill(Qt::blue);
    f = 2;
    EXPECT_FALSE(rec.Draw_frame(f, reset.dc));
    EXPECT_EQ(reset.image.pixel(5, 5), QColor(Qt::blue).rgb());
}

TEST_F(Drawing, RotatedStreamsShareThePictureSideBySide)
{
    for (int streams : {1, 2, 3}) {
        cls_AVI_handler rec;
        const std::string path = test::Make_qs2(Path("multi" + std::to_string(streams) + ".qs2"), 3, streams);
        ASSERT_TRUE(rec.Open_File(path));
        ASSERT_EQ(rec.Num_Video_streams(), streams);
        Picture p;
        for (int16_t s = 1; s <= streams; ++s) ASSERT_TRUE(rec.Draw_field_3(3, p.dc, s, true)) << s;
        const int part = 720 / streams;
        for (int s = 1; s <= streams; ++s)
            EXPECT_EQ(test::Code_in_rotated(p, (s - 1) * part, part), test::Stream_first_field(s) + 2)
                << streams << " streams, stream " << s;
        // Unrotated, each stream has the whole picture.
        ASSERT_TRUE(rec.Draw_field_3(4, p.dc, int16_t(streams)));
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), test::Stream_first_field(streams) + 3);
    }
}

TEST_F(Drawing, FieldTimesCountFromTheTrimmedStart)
{
    // A multi-stream DV file of 80 frames with its selection starting at field 101.
    DV_Header_Record h;
    h.Stream_count = 1;
    h.Frame_count = 80;
    h.Selection_start = 101;
    std::vector<uint8_t> bytes = h.To_bytes();
    for (int k = 0; k < 80; ++k) {
        const auto& f = test::Stream_frames(1)[size_t(k) % 8];
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    test::Write_bytes(Path("trim.sdv"), bytes);
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("trim.sdv")));
    Picture p;
    ASSERT_TRUE(rec.Draw_field_3(151, p.dc));
    EXPECT_FLOAT_EQ(rec.Effective_Time(), 50 * 20.0f);
    EXPECT_EQ(rec.Field_To_Show(), 1);
    EXPECT_EQ(rec.eff_frameno(), 76);
    // Frame 76 is fixture frame 4 (index 3): fields 7 and 8.
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 7);

    cls_AVI_handler qs;
    ASSERT_TRUE(qs.Open_File(test::Make_qs2(Path("heat.qs2"), 2)));
    ASSERT_TRUE(qs.Draw_field_3(1, p.dc));
    EXPECT_FLOAT_EQ(qs.Effective_Time(), 0.0f);
}

TEST_F(Drawing, TheOlderFieldDrawingSwapsAndAStreamOutOfRangeIsReported)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(Path("heat.qs2"), 3)));
    Picture p;
    ASSERT_TRUE(rec.Draw_field(3, p.dc));
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 3);
    EXPECT_EQ(rec.Decode_Info(), Path("heat.qs2"));
    ASSERT_TRUE(rec.Draw_field(4, p.dc, true));
    // Swapped: the frame's other rows, but it is still field 2 of the frame.
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 3);
    EXPECT_EQ(rec.Field_To_Show(), 2);
    // Into a smaller picture, smoothed.
    Picture small(360, 288);
    ASSERT_TRUE(rec.Draw_field(5, small.dc));
    EXPECT_EQ(test::Code_in_row(small, test::Code_row(1) / 2, 0, 0.5), 5);

    EXPECT_FALSE(rec.Draw_field_3(3, p.dc, 4));
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("Draw_field_3 of Class Module cls_AVI_handler"), std::string::npos);
    EXPECT_NE(reports.reports[0].find("Subscript"), std::string::npos);
    // Nothing is drawn without a recording; closing forgets the last field.
    rec.Close_File();
    EXPECT_EQ(rec.Last_Field(), 0);
    EXPECT_FALSE(rec.Draw_field_3(3, p.dc));
    int32_t f = 1;
    EXPECT_FALSE(rec.Draw_frame(f, p.dc));
}

} // namespace
} // namespace wk
