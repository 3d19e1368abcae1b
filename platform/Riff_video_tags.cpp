#include "platform/Riff_video_tags.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace wk::platform {

namespace {

struct Tags_of {
    AVCodecID codec;
    std::initializer_list<const char*> tags;
};

// Each tag names one codec whatever the case of its letters, as AVI writers spell them freely.
const Tags_of k_Tags[] = {
    {AV_CODEC_ID_DVVIDEO, {"dvsd", "CDVC", "PDVC", "dvsl", "dv25", "dv50", "dvhd", "dvh1", "dvc ", "dvcs", "dvis",
                           "cdvh", "cdv5", "sl25", "sldv", "avd1", "vidv"}},
    {AV_CODEC_ID_MJPEG, {"MJPG", "CJPG", "DMB1", "IJPG", "JPGL", "LJPG"}},
    {AV_CODEC_ID_JPEGLS, {"MJLS"}},
    {AV_CODEC_ID_AVRN, {"AVRn"}},
    {AV_CODEC_ID_HUFFYUV, {"HFYU"}},
    {AV_CODEC_ID_FFVHUFF, {"FFVH"}},
    {AV_CODEC_ID_FFV1, {"FFV1"}},
    {AV_CODEC_ID_RAWVIDEO, {"I420", "YV12", "YUY2", "YUYV", "UYVY", "VYUY", "VDTZ", "Y8  "}},
    {AV_CODEC_ID_Y41P, {"Y41P"}},
    {AV_CODEC_ID_MPEG1VIDEO, {"MPG1", "BW10", "PIM1", "VCR2", "XMPG"}},
    {AV_CODEC_ID_MPEG2VIDEO, {"MPG2", "MPEG", "PIM2"}},
    {AV_CODEC_ID_MPEG4, {"XVID", "DIVX", "DX50", "FMP4", "MP4S", "3IV2"}},
    {AV_CODEC_ID_MSMPEG4V1, {"MPG4"}},
    {AV_CODEC_ID_MSMPEG4V2, {"MP42", "DIV2"}},
    {AV_CODEC_ID_MSMPEG4V3, {"MP43", "DIV3", "DIV4", "DIV5", "DVX3", "AP41"}},
    {AV_CODEC_ID_H261, {"H261"}},
    {AV_CODEC_ID_H263, {"H263", "M263", "VX1K", "X263"}},
    {AV_CODEC_ID_H263I, {"I263"}},
    {AV_CODEC_ID_H264, {"H264", "X264", "AVC1"}},
    {AV_CODEC_ID_WMV1, {"WMV1"}},
    {AV_CODEC_ID_WMV2, {"WMV2"}},
    {AV_CODEC_ID_WMV3, {"WMV3"}},
    {AV_CODEC_ID_VP3, {"VP30", "VP31"}},
    {AV_CODEC_ID_VP6, {"VP60", "VP62"}},
    {AV_CODEC_ID_VP8, {"VP80"}},
    {AV_CODEC_ID_VP9, {"VP90"}},
    {AV_CODEC_ID_INDEO2, {"RT21"}},
    {AV_CODEC_ID_INDEO3, {"IV31", "IV32"}},
    {AV_CODEC_ID_INDEO4, {"IV41"}},
    {AV_CODEC_ID_INDEO5, {"IV50"}},
    {AV_CODEC_ID_CINEPAK, {"CVID"}},
    {AV_CODEC_ID_MSVIDEO1, {"CRAM", "MSVC", "WHAM"}},
    {AV_CODEC_ID_MSRLE, {"MRLE"}},
    {AV_CODEC_ID_TSCC, {"TSCC"}},
    {AV_CODEC_ID_ZLIB, {"ZLIB"}},
    {AV_CODEC_ID_ZMBV, {"ZMBV"}},
    {AV_CODEC_ID_SVQ1, {"SVQ1"}},
    {AV_CODEC_ID_TRUEMOTION1, {"DUCK", "PVEZ"}},
    {AV_CODEC_ID_TRUEMOTION2, {"TM20"}},
    {AV_CODEC_ID_TRUEMOTION2RT, {"TR20"}},
    {AV_CODEC_ID_ULTI, {"ULTI"}},
    {AV_CODEC_ID_QPEG, {"QPEG"}},
    {AV_CODEC_ID_CYUV, {"CYUV"}},
    {AV_CODEC_ID_WNV1, {"WNV1", "YUV8"}},
    {AV_CODEC_ID_VCR1, {"VCR1"}},
    {AV_CODEC_ID_VIXL, {"VIXL"}},
    {AV_CODEC_ID_KMVC, {"KMVC"}},
    {AV_CODEC_ID_AASC, {"AASC"}},
    {AV_CODEC_ID_ASV1, {"ASV1"}},
    {AV_CODEC_ID_ASV2, {"ASV2"}},
    {AV_CODEC_ID_AURA, {"AURA"}},
    {AV_CODEC_ID_AURA2, {"AUR2"}},
    {AV_CODEC_ID_FLIC, {"AFLC"}},
    {AV_CODEC_ID_CLEARVIDEO, {"UCOD"}},
    {AV_CODEC_ID_PROSUMER, {"BT20"}},
};

bool Same_tag(std::string_view a, const char* b)
{
    return std::equal(a.begin(), a.end(), b, b + 4, [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

} // namespace

AVCodecID Riff_video_codec(std::string_view fourcc)
{
    if (fourcc.size() != 4) return AV_CODEC_ID_NONE;
    for (const auto& entry : k_Tags)
        for (const char* tag : entry.tags)
            if (Same_tag(fourcc, tag)) return entry.codec;
    return AV_CODEC_ID_NONE;
}

const std::vector<std::string>& Riff_video_tags()
{
    static const std::vector<std::string> tags = [] {
        std::vector<std::string> all;
        for (const auto& entry : k_Tags)
            for (const char* tag : entry.tags) all.emplace_back(tag);
        return all;
    }();
    return tags;
}

} // namespace wk::platform
