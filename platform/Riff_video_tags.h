#pragma once
// The video codecs AVI files name by a FOURCC in their stream header and bitmap header, and the
// libavcodec codec that decodes each: the recordings' DV under all its tags, and the common
// codecs of AVI clips opened beside them.
#include <string>
#include <string_view>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace wk::platform {

// The codec of a four-character tag, its letters' case disregarded; AV_CODEC_ID_NONE for a tag
// that is not four characters or not known.
AVCodecID Riff_video_codec(std::string_view fourcc);
// Every tag the table knows, once each.
const std::vector<std::string>& Riff_video_tags();

} // namespace wk::platform
