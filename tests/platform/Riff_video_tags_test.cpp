// The program's own table of AVI video tags against libavformat's RIFF table, which the program
// no longer links: for every tag of ours, in any case of its letters, both give the same codec.
#include "platform/Riff_video_tags.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cctype>
#include <string>

namespace wk::platform {
namespace {

AVCodecID Libavformat_codec(const std::string& tag)
{
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    return av_codec_get_id(tables, MKTAG(tag[0], tag[1], tag[2], tag[3]));
}

std::string Cased(std::string tag, int (*change)(int))
{
    for (char& c : tag) c = char(change(static_cast<unsigned char>(c)));
    return tag;
}

// Tags libavformat does not know that the program took for DV before.
bool Own_dv_tag(const std::string& tag) { return Cased(tag, ::tolower) == "vidv"; }

TEST(Riff_video_tags, EveryTagGivesLibavformatsCodecInAnyCase)
{
    ASSERT_GT(Riff_video_tags().size(), 100u);
    for (const std::string& tag : Riff_video_tags()) {
        ASSERT_EQ(tag.size(), 4u);
        for (const std::string& t : {tag, Cased(tag, ::toupper), Cased(tag, ::tolower)}) {
            const AVCodecID ours = Riff_video_codec(t);
            EXPECT_NE(ours, AV_CODEC_ID_NONE) << t;
            if (Own_dv_tag(t)) EXPECT_EQ(ours, AV_CODEC_ID_DVVIDEO) << t;
            else EXPECT_EQ(ours, Libavformat_codec(t)) << t << ": " << avcodec_get_name(ours);
        }
        EXPECT_NE(avcodec_find_decoder(Riff_video_codec(tag)), nullptr) << tag << " has no decoder";
    }
}

// The recordings' own tags, and those of the clips the readers are tested on, are all there.
TEST(Riff_video_tags, TheRecordingsTagsAreDvAndCommonClipsKnown)
{
    for (const char* tag : {"dvsd", "DVSD", "CDVC", "cdvc", "dv25", "dv50", "dvhd", "dvsl", "dvh1", "dvc ", "vidv"})
        EXPECT_EQ(Riff_video_codec(tag), AV_CODEC_ID_DVVIDEO) << tag;
    EXPECT_EQ(Riff_video_codec("MJPG"), AV_CODEC_ID_MJPEG);
    EXPECT_EQ(Riff_video_codec("mjpg"), AV_CODEC_ID_MJPEG);
    EXPECT_EQ(Riff_video_codec("XVID"), AV_CODEC_ID_MPEG4);
    EXPECT_EQ(Riff_video_codec("H264"), AV_CODEC_ID_H264);
    EXPECT_EQ(Riff_video_codec("HFYU"), AV_CODEC_ID_HUFFYUV);
}

TEST(Riff_video_tags, UnknownAndMisshapenTagsGiveNoCodec)
{
    for (const char* tag : {"", "dvs", "dvsdx", "QQQQ", "dvs\0"})
        EXPECT_EQ(Riff_video_codec(tag), AV_CODEC_ID_NONE) << tag;
    EXPECT_EQ(Riff_video_codec(std::string("dvs\0", 4)), AV_CODEC_ID_NONE);
    EXPECT_EQ(Riff_video_codec(std::string(4, '\0')), AV_CODEC_ID_NONE);
}

} // namespace
} // namespace wk::platform
