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
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
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

// libavcodec's own decode of a frame, converted to BGR rows from the top by libswscale's
// defaults (or with the flags given).
std::vector<uint8_t> Reference_bgr(std::span<const uint8_t> frame, int flags = SWS_BICUBIC)
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
    const int w = picture->width, h = picture->height;
    std::vector<uint8_t> bgr(size_t(w) * size_t(h) * 3);
    SwsContext* sws =
        sws_getContext(w, h, AVPixelFormat(picture->format), w, h, AV_PIX_FMT_BGR24, flags, nullptr, nullptr, nullptr);
    uint8_t* dst[4] = {bgr.data(), nullptr, nullptr, nullptr};
    int dst_stride[4] = {w * 3, 0, 0, 0};
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

// The peak signal-to-noise ratio of a picture against a reference, byte for byte.
double Psnr(std::span<const uint8_t> picture, std::span<const uint8_t> reference)
{
    double squares = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        const double d = double(picture[i]) - double(reference[i]);
        squares += d * d;
    }
    if (squares == 0) return INFINITY;
    return 10.0 * std::log10(255.0 * 255.0 * double(reference.size()) / squares);
}

std::span<const uint8_t> Bits(const cDIBSection& dib)
{
    return {dib.DIBSectionBitsPtr(), size_t(dib.SizeImage())};
}

TEST_F(Drawing, AFieldConvertedStraightFromTheDecodedFrameIsTheFrameLineDoubled)
{
    const test::DV_frame pal = test::Stream_frames(1)[3];
    const test::DV_frame ntsc = test::Make_DV_frames(1, {.first_field = 41, .ntsc = true})[0];
    for (const test::DV_frame* frame : {&pal, &ntsc}) {
        const int height = frame == &pal ? 576 : 480;
        platform::Av_frame_decoder decoder;
        cDIBSection whole;
        ASSERT_TRUE(whole.Create(720, height));
        ASSERT_TRUE(whole.Decode_frame(decoder, *frame));
        ASSERT_TRUE(decoder.Keep(*frame, 2));
        EXPECT_EQ(decoder.Decoded_count(), 2);
        for (int16_t field = 1; field <= 2; ++field) {
            cDIBSection doubled, direct, from_image;
            ASSERT_TRUE(doubled.Create(720, height));
            ASSERT_TRUE(direct.Create(720, height));
            platform::deinterlaceFrame2(whole.DIBSectionBitsPtr(), doubled.DIBSectionBitsPtr(), 720, int16_t(height),
                                        field);
            // Into a DIB section, and into a picture box's 32-bit image: what line doubling the
            // frame gives; PAL byte for byte, NTSC within libswscale's rounding at the bottom.
            ASSERT_TRUE(decoder.Field(2, field, *direct.hDC())) << height << " " << field;
            QImage image(720, height, QImage::Format_RGB32);
            image.fill(Qt::black);
            platform::Draw_surface surface(&image);
            ASSERT_TRUE(decoder.Field(2, field, surface));
            EXPECT_EQ(qAlpha(image.pixel(100, 100)), 255);
            ASSERT_TRUE(from_image.Create(720, height));
            from_image.LoadPictureBlt(&surface, 0, 0);
            for (const cDIBSection* got : {&direct, &from_image}) {
                if (height == 576)
                    EXPECT_TRUE(std::equal(Bits(*got).begin(), Bits(*got).end(), Bits(doubled).begin())) << field;
                else
                    EXPECT_GE(Psnr(Bits(*got), Bits(doubled)), 45.0) << field;
            }
            EXPECT_EQ(test::Field_code_from_row([&](int x) { return qGreen(image.pixel(x, test::Code_row(1))); }),
                      (height == 576 ? 7 : 41) + field - 1);
        }
        // Nothing kept in a slot, another size, red first, no such field: nothing drawn.
        QImage other(720, height, QImage::Format_RGB32), small(360, height, QImage::Format_RGB32),
            red_first(720, height, QImage::Format_RGB888);
        platform::Draw_surface on_other(&other), on_small(&small), on_red_first(&red_first);
        EXPECT_FALSE(decoder.Field(1, 1, on_other));
        EXPECT_FALSE(decoder.Field(2, 1, on_small));
        EXPECT_FALSE(decoder.Field(2, 1, on_red_first));
        EXPECT_FALSE(decoder.Field(2, 3, on_other));
        EXPECT_FALSE(decoder.Keep(std::span<const uint8_t>(frame->data(), 1000), 2));
        EXPECT_FALSE(decoder.Field(2, 1, on_other)) << "a frame that could not be decoded leaves nothing kept";
    }
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
    // Past the end: no frame, nothing of the last one, the caller's variable kept.
    f = 40;
    EXPECT_FALSE(rec.Draw_frame(f, p.dc));
    EXPECT_EQ(f, 40);
    EXPECT_EQ(rec.Frame_in_store(), 0);
    EXPECT_EQ(p.Luma(360, test::Code_row(1)), 0);
    EXPECT_FLOAT_EQ(rec.Effective_Time(), 80.0f);

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

// What a picture of the drawing shows, as BGR rows from the top.
std::vector<uint8_t> Bgr_of(const Picture& p)
{
    std::vector<uint8_t> bgr;
    for (int y = 0; y < p.image.height(); ++y)
        for (int x = 0; x < p.image.width(); ++x) {
            const QRgb c = p.image.pixel(x, y);
            bgr.insert(bgr.end(), {uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c))});
        }
    return bgr;
}

TEST_F(Drawing, NtscColourIsInterpolatedAsLibswscaleDoesByDefaultNeverRepeated)
{
    // Colour that changes at every chroma sample (4 pixels across), over a luma ramp.
    test::NTSC_DV_picture in;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 720; ++x) in.y[size_t(y) * 720 + size_t(x)] = uint8_t(40 + (x + y) % 170);
        for (int x = 0; x < 180; ++x) {
            in.u[size_t(y) * 180 + size_t(x)] = uint8_t(x % 3 == 0 ? 60 : x % 3 == 1 ? 200 : 128);
            in.v[size_t(y) * 180 + size_t(x)] = uint8_t((x / 2 + y / 8) % 2 ? 70 : 190);
        }
    }
    const test::DV_frame frame = test::Encode_DV_picture(in);
    ASSERT_EQ(frame.size(), test::k_NTSC_frame_bytes);
    test::Write_DV_file(Path("colour.dv"), {frame});
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(Path("colour.dv")));
    ASSERT_TRUE(rec.NTSC());
    Picture p(720, 480);
    int32_t f = 1;
    ASSERT_TRUE(rec.Draw_frame(f, p.dc));
    const std::vector<uint8_t> reference = Reference_bgr(frame);
    const double psnr = Psnr(Bgr_of(p), reference);
    EXPECT_GE(psnr, 45.0);
    // Repeating each colour sample instead falls well short: the picture tells the two apart.
    const double repeated = Psnr(Reference_bgr(frame, SWS_POINT), reference);
    EXPECT_LT(repeated, 40.0);
    // A field, converted straight into the picture: the reference's rows of that field, doubled.
    ASSERT_TRUE(rec.Draw_field_3(1, p.dc));
    std::vector<uint8_t> field_1(reference.size());
    const size_t row = 720 * 3;
    for (size_t y = 0; y < 480; ++y)
        std::memcpy(field_1.data() + y * row, reference.data() + (y | 1) * row, row);
    const double field_psnr = Psnr(Bgr_of(p), field_1);
    EXPECT_GE(field_psnr, 45.0);
    std::printf("NTSC frame against libswscale's defaults: %.2f dB, field 1: %.2f dB (samples repeated: %.2f dB)\n",
                psnr, field_psnr, repeated);
}

// Writes `count` NTSC DV frames (cycling through `frames`) with libavformat's AVI muxer.
void Mux_ntsc_avi(const std::string& path, const std::vector<test::DV_frame>& frames, int count)
{
    AVFormatContext* oc = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&oc, nullptr, "avi", path.c_str()), 0);
    AVStream* video = avformat_new_stream(oc, nullptr);
    ASSERT_NE(video, nullptr);
    video->time_base = AVRational{1001, 30000};
    video->avg_frame_rate = AVRational{30000, 1001};
    AVCodecParameters* par = video->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_DVVIDEO;
    par->codec_tag = MKTAG('d', 'v', 's', 'd');
    par->width = 720;
    par->height = 480;
    ASSERT_GE(avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(oc, nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    for (int k = 0; k < count; ++k) {
        const test::DV_frame& frame = frames[size_t(k) % frames.size()];
        ASSERT_GE(av_new_packet(packet, int(frame.size())), 0);
        std::memcpy(packet->data, frame.data(), frame.size());
        packet->pts = packet->dts = k;
        packet->duration = 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        packet->stream_index = 0;
        av_packet_rescale_ts(packet, AVRational{1001, 30000}, video->time_base);
        ASSERT_GE(av_interleaved_write_frame(oc, packet), 0);
    }
    av_packet_free(&packet);
    ASSERT_GE(av_write_trailer(oc), 0);
    avio_closep(&oc->pb);
    avformat_free_context(oc);
}

TEST_F(Drawing, NtscRecordingsRunAt2997FramesASecondInEveryTime)
{
    const std::vector<test::DV_frame> frames = test::Make_DV_frames(8, {.ntsc = true});
    Mux_ntsc_avi(Path("ntsc.avi"), frames, 300);
    std::vector<test::DV_frame> three_hundred;
    for (int k = 0; k < 300; ++k) three_hundred.push_back(frames[size_t(k) % 8]);
    test::Write_DV_file(Path("ntsc.dv"), three_hundred);

    for (const char* name : {"ntsc.avi", "ntsc.dv"}) {
        SCOPED_TRACE(name);
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(Path(name)));
        EXPECT_TRUE(rec.NTSC());
        EXPECT_EQ(rec.Height(), 480);
        EXPECT_EQ(rec.num_frames(), 300);
        EXPECT_EQ(rec.Num_fields(), 600);
        // 300 frames of 1001/30 ms.
        EXPECT_EQ(rec.Clip_length(), 10010);
        EXPECT_EQ(rec.frame_rate(), 30);
        EXPECT_NE(rec.Property_String().find("\r\nFps = 29.97\r\n"), std::string::npos);
        EXPECT_NE(rec.Property_String().find("\r\nClip length = 10.0 sec\r\n"), std::string::npos);

        // Field 184 is field 2 of frame 92 (fixture frame 4: fields 7 and 8), 183 fields of
        // 1001/60 ms after field 1.
        Picture p(720, 480);
        ASSERT_TRUE(rec.Draw_field_3(184, p.dc));
        EXPECT_EQ(rec.eff_frameno(), 92);
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(2)), 8);
        EXPECT_NEAR(rec.Effective_Time(), 183 * 1001.0 / 60.0, 0.01);
        EXPECT_EQ(std::lround(rec.Effective_Time()), 3053);
        // Frame 300 starts 299 frames of 1001/30 ms in.
        int32_t f = 300;
        ASSERT_TRUE(rec.Draw_frame(f, p.dc));
        EXPECT_NEAR(rec.Effective_Time(), 299 * 1001.0 / 30.0, 0.01);
    }
    cls_AVI_handler avi;
    ASSERT_TRUE(avi.Open_File(Path("ntsc.avi")));
    ASSERT_TRUE(avi.Read_Frame(301)); // the last frame
    EXPECT_NEAR(avi.Golf().Player_Time(), 299 * 1001.0 / 30.0, 0.01);
    EXPECT_EQ(avi.mill_per_frame(), 17); // played by fields of 16.68 ms
}

TEST_F(Drawing, AFieldOrFramePastTheEndShowsNothingAndNamesNoFrame)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(Path("heat.qs2"), 90)));
    Picture p;
    ASSERT_TRUE(rec.Draw_field_3(180, p.dc));
    ASSERT_EQ(rec.eff_frameno(), 90);
    for (int32_t field : {181, 183}) {
        p.image.fill(Qt::white);
        EXPECT_FALSE(rec.Draw_field_3(field, p.dc)) << field;
        EXPECT_EQ(rec.Current_Field(), field);
        EXPECT_EQ(rec.eff_frameno(), 0);
        EXPECT_EQ(rec.Last_Field(), 0);
        EXPECT_EQ(rec.Frame_in_store(), 0);
        EXPECT_EQ(p.Luma(360, test::Code_row(1)), 0) << "black, not frame 90";
    }
    // Refreshing after it shows no older field either.
    p.image.fill(Qt::white);
    rec.Refresh_field(p.dc, false);
    EXPECT_EQ(p.Luma(360, test::Code_row(1)), 0);

    p.image.fill(Qt::white);
    EXPECT_FALSE(rec.Draw_field(183, p.dc));
    EXPECT_EQ(rec.eff_frameno(), 0);
    EXPECT_EQ(p.Luma(360, test::Code_row(1)), 0);
    int32_t f = 91;
    p.image.fill(Qt::white);
    EXPECT_FALSE(rec.Draw_frame(f, p.dc));
    EXPECT_EQ(p.Luma(360, test::Code_row(1)), 0);
    EXPECT_EQ(rec.Frame_in_store(), 0);

    // The last field still draws, and the older field drawing gives its time like the others.
    ASSERT_TRUE(rec.Draw_field(180, p.dc));
    EXPECT_EQ(rec.eff_frameno(), 90);
    EXPECT_FLOAT_EQ(rec.Effective_Time(), 179 * 20.0f);
    EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), 4); // frame 90 is fixture frame 2: fields 3, 4
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Drawing, AFieldPaintedStraightFromItsFrameIsTheFieldPicture)
{
    cls_AVI_handler rec;
    ASSERT_TRUE(rec.Open_File(test::Make_qs2(Path("heat.qs2"), 3)));
    for (int32_t field : {3, 4}) {
        Picture p;
        ASSERT_TRUE(rec.Draw_field_3(field, p.dc));
        const cDIBSection* dib = rec.Field_DIB(1);
        ASSERT_NE(dib, nullptr);
        ASSERT_EQ(dib->Height(), 576);
        // Pixel by pixel the field picture is what was painted: each row of the field twice.
        const uint8_t* bits = dib->DIBSectionBitsPtr();
        const int32_t stride = dib->BytesPerScanLine();
        int differing = 0;
        for (int y = 0; y < 576; ++y)
            for (int x = 0; x < 720; ++x) {
                const uint8_t* px = bits + size_t(575 - y) * size_t(stride) + size_t(x) * 3;
                if (p.image.pixel(x, y) != qRgb(px[2], px[1], px[0])) ++differing;
            }
        EXPECT_EQ(differing, 0) << field;
        EXPECT_EQ(test::Code_in_row(p, test::Code_row(1)), field);
        // A picture of another size gets the same field.
        Picture small(360, 288);
        rec.Force_Reread_Frame();
        ASSERT_TRUE(rec.Draw_field_3(field + 2, small.dc));
        EXPECT_EQ(test::Code_in_row(small, test::Code_row(1) / 2, 0, 0.5), field + 2);
    }
}

} // namespace
} // namespace wk
