#pragma once
// Reads the RIFF structure of an AVI file once, without decoding anything, and keeps what the
// recording object needs to open it: picture size, frame rate and count, the video codec, the
// video stream's bitmap header and where the movi list and the idx1 index lie. Also knows the
// DV files whose one stream is interleaved DV ("iavs"), codec and audio-format names, the INFO
// list and a few FOURCC helpers. For files past 1 GB (OpenDML) it notes the video stream's super
// index and the frame count of the extended header.
#include "recording/Recording_problem.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wk {

class clsAVIInfo {
public:
    clsAVIInfo();

    bool AVI_valid() const { return AVI_valid_; }
    int32_t Width() const { return Width_; }
    int32_t Height() const { return Height_; }
    int16_t BitDepth() const { return HasVideo_ ? BitDepth_ : int16_t(0); }
    int16_t Channels() const { return HasAudio_ ? Channels_ : int16_t(0); }
    int32_t SamplesPerSec() const { return HasAudio_ ? SamplesPerSec_ : 0; }
    int32_t FrameRate() const { return HasVideo_ ? FrameRate_ : 0; }
    int32_t PlayLength() const { return PlayLength_; }
    int32_t NumFrames() const { return HasVideo_ ? NumFrames_ : 0; }
    int16_t NumStreams() const { return NumStreams_; }
    bool HasVideo() const { return HasVideo_; }
    bool HasAudio() const { return HasAudio_; }
    std::string VideoCodec() const { return HasVideo_ ? VideoCodec_ : std::string(); }
    std::string AudioCodec() const { return HasAudio_ ? AudioCodec_ : std::string(); }
    // Entries of the codec name table (built on first use).
    int32_t NumCodecs();
    std::string AudioFormat() const { return HasAudio_ ? AudioFormat_ : std::string(); }
    const std::string& filename() const { return filename_; }
    int64_t FileSize() const { return FileSize_; }
    int32_t BytePerSec() const { return HasAudio_ ? BytePerSec_ : 0; }
    // 0-based file offset of the idx1 chunk header.
    int32_t IndexOffset() const { return IndexOffset_; }
    // 0-based file offset of the movi list's type field; idx1 offsets count from here.
    int32_t MovieOffset() const { return MovieOffset_; }
    int32_t PadBytes() const { return PadBytes_; }
    int32_t RIFFsize() const { return RIFFsize_; }
    // The video stream's 40-byte bitmap header as stored in the file; nullptr for an
    // interleaved DV file, whose reader builds a DV header itself.
    const uint8_t* bmi_address() const { return iavs_ ? nullptr : bmi_.data(); }
    bool iavs() const { return iavs_; }
    // Number of the video stream (0 for the first stream): the first whose header says "vids" or
    // "iavs". Its chunks are named after it ("01dc" for stream 1).
    int16_t VideoStream() const { return VideoStream_; }
    // 0-based file offset of the video stream's OpenDML super index ("indx") chunk header; 0 when
    // it has none.
    int64_t SuperIndexOffset() const { return SuperIndexOffset_; }
    // The frame count of the extended header ("dmlh"); 0 when the file has none.
    int64_t OdmlFrames() const { return OdmlFrames_; }
    // 0-based file offset where the movi list ends: as its size says, or the end of the file when
    // the list runs past it or its size was never written (a capture cut off).
    int64_t MovieEnd() const { return MovieEnd_; }

    // Whether the FOURCC names a DV codec, in any case.
    static bool IsDVCodec(const std::string& code);

    // Parses the file; true when a movi list was found. Expected failures go to ReadError,
    // unexpected ones are posted to Problems.
    bool ReadFile(const std::string& inFile);

    // The codec's name ("Unknown" when not listed); empty unless inCodec has 4 characters.
    std::string CodecToName(const std::string& inCodec);
    // Seconds as [d:][h]h:mm:ss or mm:ss.
    static std::string FormatTime(int32_t inTime);
    static std::string LongToFourCC(int32_t inLong);
    // 0 unless InString has exactly 4 characters.
    static int32_t FourCCToLong(const std::string& InString);

    // FOURCCs of the INFO list in file order; returns the count (0 leaves outArr untouched).
    int32_t GetInfoList(std::vector<int32_t>& outArr) const;
    std::string QueryInfo(int32_t inInfo) const;
    static std::string GetInfoName(int32_t inInfo);

    // Name of a wave-format tag.
    static std::string WaveFormatName(uint16_t tag);

    // Raised by ReadFile with the reason a file could not be (fully) parsed.
    std::function<void(const std::string&)> ReadError;
    // Where a file that could not be read at all is reported.
    Recording_problems Problems;

    // Largest INFO text kept; longer texts are cut.
    static constexpr int32_t k_Max_info_text = 65536;

private:
    struct Info_entry {
        int32_t fourcc;
        std::string text;
    };
    struct Codec_entry {
        std::string code;
        std::string name;
    };

    void ResetInfo();
    static std::string StripNull(const std::string& text);
    void BuildCodecTable();
    void AddCodec(const std::string& code, const std::string& name);
    void Raise_read_error(const std::string& message);
    bool Parse(const std::string& inFile);
    void NoteMovie(int64_t typeOffset, int64_t end);

    bool AVI_valid_ = false;
    int32_t Width_ = 0;
    int32_t Height_ = 0;
    int16_t BitDepth_ = 0;
    int16_t Channels_ = 0;
    int32_t SamplesPerSec_ = 0;
    int32_t FrameRate_ = 0;
    int32_t PlayLength_ = 0;
    int32_t NumFrames_ = 0;
    int16_t NumStreams_ = 0;
    bool HasVideo_ = false;
    bool HasAudio_ = false;
    std::string VideoCodec_;
    std::string AudioCodec_;
    std::string AudioFormat_;
    std::string filename_;
    int64_t FileSize_ = 0;
    int32_t BytePerSec_ = 0;
    int32_t IndexOffset_ = 0;
    int32_t MovieOffset_ = 0;
    int32_t PadBytes_ = 0;
    int32_t RIFFsize_ = 0;
    bool iavs_ = false;
    int16_t VideoStream_ = 0;
    int64_t SuperIndexOffset_ = 0;
    int64_t OdmlFrames_ = 0;
    int64_t MovieEnd_ = 0;

    std::array<uint8_t, 40> bmi_{};
    std::vector<uint32_t> palette_;
    std::vector<Info_entry> info_;
    std::vector<Codec_entry> codecs_;
};

} // namespace wk
