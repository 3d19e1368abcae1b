#include "recording/clsAVIInfo.h"

#include "platform/Byte_file.h"
#include "platform/Text_codec.h"
#include "services/Module_trace.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>


namespace wk {
namespace {

constexpr int32_t err_Division_by_zero = 11;
constexpr int32_t err_File_access = 75;
constexpr int64_t k_Two_gb = int64_t(1) << 31;

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
int32_t L32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
std::string Id(const uint8_t* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

// Reads from the open file at a 0-based offset; fewer bytes than asked means the file ended.
size_t Read_at(const platform::Byte_file& f, int64_t offset, void* buf, size_t n)
{
    return size_t(std::max<int64_t>(f.Read_at(offset, buf, n), 0));
}

std::string Two(int64_t v)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02lld", static_cast<long long>(v));
    return buf;
}

struct Wave_row {
    uint16_t tag;
    const char* name;
};

// The registered wave-format tags.
constexpr Wave_row k_Wave_formats[] = {
    {0, "Unknown Microsoft format"}, {1, "Microsoft PCM"}, {2, "Microsoft ADPCM"},
    {3, "Microsoft IEEE float"}, {4, "Compaq VSELP"}, {5, "IBM CVSD"}, {6, "CCITT A-Law"},
    {7, "CCITT u-Law"}, {8, "Microsoft DTS"}, {9, "Microsoft DRM"},
    {16, "OKI ADPCM"}, {17, "Intel ADPCM"}, {18, "Videologic MediaSpace ADPCM"}, {19, "Sierra ADPCM"},
    {20, "Antex G.723 ADPCM"}, {21, "DSP Solutions DIGISTD"}, {22, "DSP Solutions DIGIFIX"},
    {23, "Dialogic OKI ADPCM"}, {24, "Media Vision ADPCM"}, {25, "Hewlett-Packard CU codec"},
    {32, "Yamaha ADPCM"}, {33, "Speech Compression SONARC"}, {34, "DSP Group TrueSpeech"},
    {35, "Echo Speech EchoSC1"}, {36, "Virtual Music AudioFile AF36"}, {37, "Audio Processing Technology APTX"},
    {38, "Virtual Music AudioFile AF10"}, {39, "Aculab Prosody 1612"}, {40, "Merging Technologies LRC"},
    {48, "Dolby AC2"}, {49, "Microsoft GSM 6.10"}, {50, "Microsoft MSN Audio"}, {51, "Antex ADPCME"},
    {52, "Control Resources VQLPC"}, {53, "DSP Solutions DIGIREAL"}, {54, "DSP Solutions DIGIADPCM"},
    {55, "Control Resources CR10"}, {56, "Natural MicroSystems VBX ADPCM"}, {57, "Crystal Semiconductor IMA ADPCM"},
    {58, "Echo Speech EchoSC3"}, {59, "Rockwell ADPCM"}, {60, "Rockwell DIGITALK"}, {61, "Xebec"},
    {64, "Antex G.721 ADPCM"}, {65, "Antex G.728 CELP"}, {66, "Microsoft MSG723"},
    {80, "Microsoft MPEG"}, {82, "InSoft RT24"}, {83, "InSoft PAC"}, {85, "MPEG Layer-3"}, {89, "Lucent G.723"},
    {96, "Cirrus Logic"}, {97, "ESS Technology ESPCM"}, {98, "Voxware"}, {99, "Canopus ATRAC"},
    {100, "APICOM G.726 ADPCM"}, {101, "APICOM G.722 ADPCM"}, {103, "Microsoft DSAT display"},
    {105, "Voxware byte aligned"},
    {112, "Voxware AC8"}, {113, "Voxware AC10"}, {114, "Voxware AC16"}, {115, "Voxware AC20"},
    {116, "Voxware RT24"}, {117, "Voxware RT29"}, {118, "Voxware RT29HW"}, {119, "Voxware VR12"},
    {120, "Voxware VR18"}, {121, "Voxware TQ40"},
    {128, "Softsound"}, {129, "Voxware TQ60"}, {130, "Microsoft MSRT24"}, {131, "AT&T G.729A"},
    {132, "Motion Pixels MVI2"}, {133, "DataFusion G.726"}, {134, "DataFusion GSM 6.10"},
    {136, "Iterated Systems ISIAudio"}, {137, "OnLive!"},
    {145, "Siemens SBC24"}, {146, "Sonic Foundry Dolby AC3 SPDIF"}, {147, "MediaSonic G.723"},
    {148, "Aculab Prosody 8 kbps"}, {151, "ZyXEL ADPCM"}, {152, "Philips LPCBB"}, {153, "Studer Packed"},
    {160, "Malden PhonyTalk"}, {256, "Rhetorex ADPCM"}, {257, "BeCubed IRAT"},
    {273, "Vivo G.723"}, {274, "Vivo Siren"}, {291, "Digital G.723"}, {293, "Sanyo LD ADPCM"},
    {304, "Sipro Lab ACELP.net"}, {305, "Sipro Lab ACELP 4800"}, {306, "Sipro Lab ACELP 8V3"},
    {307, "Sipro Lab G.729"}, {308, "Sipro Lab G.729A"}, {309, "Sipro Lab Kelvin"},
    {320, "Dictaphone G.726 ADPCM"}, {336, "Qualcomm PureVoice"}, {337, "Qualcomm HalfRate"},
    {341, "Ring Zero TUB GSM"}, {352, "Microsoft Audio 1"}, {353, "Windows Media Audio 2"},
    {368, "Unisys NAP ADPCM"}, {369, "Unisys NAP u-Law"}, {370, "Unisys NAP A-Law"}, {371, "Unisys NAP 16K"},
    {512, "Creative ADPCM"}, {514, "Creative FastSpeech8"}, {515, "Creative FastSpeech10"},
    {528, "UHER ADPCM"}, {544, "Quarterdeck"}, {560, "I-link VC"}, {576, "Aureal RAW Sport"},
    {577, "ESS Technology AC3"}, {592, "Interactive Products HSX"}, {593, "Interactive Products RPELP"},
    {608, "Consistent Software CS2"}, {624, "Sony SCX"}, {768, "Fujitsu FM Towns Snd"},
    {1024, "Brooktree digital"}, {1025, "Intel Music Coder"}, {1026, "Ligos Indeo audio"},
    {1104, "QDesign Music"}, {1664, "AT&T VME VMPCM"}, {1665, "AT&T TPC"},
    {4096, "Olivetti GSM"}, {4097, "Olivetti ADPCM"}, {4098, "Olivetti CELP"}, {4099, "Olivetti SBC"},
    {4100, "Olivetti OPR"}, {4352, "Lernout & Hauspie codec"}, {5120, "Norris Communications"},
    {5376, "AT&T SoundSpace Musicompress"}, {8192, "Fast Multimedia AG DVM (AC3)"},
    {65534, "Microsoft extensible"}, {65535, "Development stage codec"},
};

struct Info_row {
    const char* code;
    const char* name;
};

constexpr Info_row k_Info_names[] = {
    {"INFO", "Info list"}, {"IARL", "Archival location"}, {"IART", "Artist"}, {"ICMS", "Commissioned"},
    {"ICMT", "Comments"}, {"ICOP", "Copyright"}, {"ICRD", "Creation date"}, {"ICRP", "Cropped"},
    {"IDIM", "Dimensions"}, {"IDPI", "Dots per inch"}, {"IENG", "Engineer"}, {"IGNR", "Genre"},
    {"IID3", "ID3 tag"}, {"IKEY", "Keywords"}, {"ILGT", "Lightness"}, {"ILYC", "Lyrics"},
    {"IMED", "Medium"}, {"IMP3", "MP3"}, {"INAM", "Name/Title"}, {"IPLT", "Palette setting"},
    {"IPRD", "Product"}, {"ISBJ", "Subject"}, {"ISFT", "Software"}, {"ISHP", "Sharpness"},
    {"ISRC", "Source"}, {"ISRF", "Source form"}, {"ITCH", "Technician"}, {"DISP", "Sound Scheme title"},
};

// Whether the LIST at off is a movi list (its type read whatever its size says).
bool Is_movie_list(const platform::Byte_file& f, int64_t off)
{
    uint8_t type[4];
    return Read_at(f, off + 8, type, 4) == 4 && Id(type) == "movi";
}

// The DV codecs: those of the codec table, those libavformat writes and reads, and Microsoft's.
constexpr const char* k_DV_codecs[] = {"dvsd", "dvsl", "dv25", "dv50", "dvhd", "dvh1", "dvc ", "dvcs", "dvis",
                                       "cdvc", "cdvh", "cdv5", "dsvd", "ipdv", "pdvc", "sl25", "sldv", "avd1",
                                       "msdv"};

bool Same_ci(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}

} // namespace

clsAVIInfo::clsAVIInfo() { Trace_Line("*ClsAVIInfo Initialize"); }

void clsAVIInfo::ResetInfo()
{
    AVI_valid_ = iavs_ = HasVideo_ = HasAudio_ = false;
    Width_ = Height_ = SamplesPerSec_ = FrameRate_ = PlayLength_ = NumFrames_ = 0;
    BitDepth_ = Channels_ = NumStreams_ = 0;
    BytePerSec_ = IndexOffset_ = MovieOffset_ = PadBytes_ = RIFFsize_ = 0;
    FileSize_ = 0;
    VideoStream_ = 0;
    SuperIndexOffset_ = OdmlFrames_ = MovieEnd_ = 0;
    VideoCodec_.clear();
    AudioCodec_.clear();
    AudioFormat_.clear();
    filename_.clear();
    info_.clear();
    // The bitmap header and palette belong to the file just read, never to an earlier one.
    bmi_.fill(0);
    palette_.clear();
}

std::string clsAVIInfo::StripNull(const std::string& text)
{
    const auto n = text.find('\0');
    return n == std::string::npos ? text : text.substr(0, n);
}

void clsAVIInfo::Raise_read_error(const std::string& message)
{
    if (ReadError) ReadError(message);
}

void clsAVIInfo::NoteMovie(int64_t typeOffset, int64_t end)
{
    MovieOffset_ = static_cast<int32_t>(typeOffset);
    MovieEnd_ = end;
}

bool clsAVIInfo::ReadFile(const std::string& inFile)
{
    try {
        Trace_Line("*clsAVIInfo ReadFile, begin");
        const bool found = Parse(inFile);
        Trace_Line("*clsAVIInfo ReadFile, end");
        return found;
    } catch (const Run_time_error& e) {
        ResetInfo();
        if (e.number() == err_File_access)
            Problems.Post({Recording_problem::Kind::access_error, {}, inFile});
        else
            Problems.Post({Recording_problem::Kind::parse_error, e.description() + std::to_string(e.number()), inFile});
    } catch (const std::exception& e) {
        ResetInfo();
        Problems.Post({Recording_problem::Kind::parse_error, std::string(e.what()) + "0", inFile});
    }
    return false;
}

bool clsAVIInfo::Parse(const std::string& inFile)
{
    ResetInfo();

    platform::Byte_file f;
    int error = 0;
    if (inFile.empty() || !f.Open(inFile, platform::Raw_file::Mode::Read, error)) {
        if (inFile.empty() || error == ENOENT) throw Run_time_error(err_File_not_found, "File not found", "clsAVIInfo");
        throw Run_time_error(err_File_access, "Path/File access error", "clsAVIInfo");
    }
    const int64_t fsize = f.Size();
    if (fsize < 0) throw Run_time_error(err_File_access, "Path/File access error", "clsAVIInfo");
    if (fsize == 0) {
        Raise_read_error("File not found or contains no data!");
        return false;
    }

    // RIFF header, LIST hdrl, avih and the 56-byte main header.
    uint8_t head[88] = {};
    const size_t got = Read_at(f, 0, head, sizeof head);
    const uint32_t avih_size = U32(head + 28);
    if (got < sizeof head || Id(head) != "RIFF" || Id(head + 8) != "AVI " || Id(head + 12) != "LIST" ||
        Id(head + 20) != "hdrl" || Id(head + 24) != "avih" || avih_size < 56 || avih_size > 1024) {
        Raise_read_error("Incorrect AVI header");
        return false;
    }
    AVI_valid_ = true;
    RIFFsize_ = L32(head + 4);
    const uint8_t* avih = head + 32;
    const int32_t us_per_frame = L32(avih + 0);
    const int32_t total_frames = L32(avih + 16);
    const int32_t streams = L32(avih + 24);
    const int32_t suggested_buffer = L32(avih + 28);
    const int32_t main_width = L32(avih + 32);
    const int32_t main_height = L32(avih + 36);

    std::string strh_type, strh_handler;
    uint8_t wave[14] = {};
    int64_t info_remainder = 0;
    int32_t streams_seen = 0; // stream headers so far: the last one's number is streams_seen - 1

    // The walk starts at the chunk after avih (byte 88 for the usual 56-byte main header).
    int64_t off = 32 + (int64_t(avih_size) + 1) / 2 * 2;
    while (off < fsize) {
        if (fsize - off < 8) break; // a stray byte or two at the end, no chunk
        uint8_t hdr[8];
        if (Read_at(f, off, hdr, 8) < 8) break;
        const std::string id = Id(hdr);
        const uint32_t size32 = U32(hdr + 4);
        if (size32 > uint32_t(std::numeric_limits<int32_t>::max())) {
            // A size of 2 GB or more would take the walk backwards. A movi list with such a size
            // is one whose size was never written: its chunks run to the end of the file.
            if (id == "LIST" && Is_movie_list(f, off)) NoteMovie(off + 8, fsize);
            Raise_read_error("Incorrect chunk size");
            break;
        }
        const int64_t size = (int64_t(size32) + 1) / 2 * 2;
        const int64_t data = off + 8;
        const int64_t after_header = fsize - data;
        int64_t next = data + size;

        if (id == "LIST") {
            uint8_t type[4];
            if (size32 < 4 || Read_at(f, data, type, 4) < 4) {
                if (Is_movie_list(f, off)) NoteMovie(data, fsize); // a size never written
                Raise_read_error("Incorrect chunk size");
                break;
            }
            const std::string list_type = Id(type);
            if (list_type == "movi") {
                NoteMovie(data, std::min<int64_t>(data + int64_t(size32), fsize));
                // Its content is skipped; the walk goes on with whatever chunk follows the list.
            } else {
                if (list_type == "INFO") info_remainder = int64_t(size32) - 4;
                next = data + 4; // into the list's content
            }
        } else if (k_Two_gb - (off + 2) > size && int64_t(size32) <= after_header) {
            if (id == "strh") {
                uint8_t sh[8] = {};
                Read_at(f, data, sh, std::min<int64_t>(size32, 8));
                strh_type = Id(sh);
                ++streams_seen;
                strh_handler = platform::Ansi_to_utf8(Id(sh + 4));
            } else if (id == "strf") {
                // The first video stream is the recording; a later one (a text stream) is not.
                const bool first_video = !HasVideo_;
                if (strh_type == "vids" && first_video) {
                    HasVideo_ = true;
                    VideoStream_ = static_cast<int16_t>(std::clamp(streams_seen - 1, 0, 99));
                    VideoCodec_ = strh_handler;
                    bmi_.fill(0);
                    const auto n = std::min<int64_t>(size32, int64_t(bmi_.size()));
                    Read_at(f, data, bmi_.data(), size_t(n));
                    const uint16_t bit_count = U16(bmi_.data() + 14);
                    if (bit_count < 9) {
                        uint32_t colours = U32(bmi_.data() + 32);
                        if (colours < 2) colours = 1u << bit_count;
                        // Only what the chunk holds, and never more than a full 8-bit palette.
                        const auto fits = uint32_t((int64_t(size32) - n) / 4);
                        colours = std::min({colours, 256u, fits});
                        palette_.assign(colours, 0);
                        std::vector<uint8_t> raw(size_t(colours) * 4);
                        Read_at(f, data + n, raw.data(), raw.size());
                        for (uint32_t i = 0; i < colours; ++i) palette_[i] = U32(raw.data() + 4 * i);
                    }
                    if (VideoCodec_ == std::string(4, '\0')) VideoCodec_ = LongToFourCC(L32(bmi_.data() + 16));
                } else if (strh_type == "auds") {
                    HasAudio_ = true;
                    AudioCodec_ = strh_handler;
                    std::memset(wave, 0, sizeof wave);
                    Read_at(f, data, wave, size_t(std::min<int64_t>(size32, 14)));
                    AudioFormat_ = WaveFormatName(U16(wave));
                }
                if (strh_type == "iavs" && first_video) {
                    iavs_ = HasVideo_ = true;
                    VideoStream_ = static_cast<int16_t>(std::clamp(streams_seen - 1, 0, 99));
                    VideoCodec_ = "dvsd";
                    NumFrames_ = total_frames;
                    if (suggested_buffer == 144000 || suggested_buffer == 144008) {
                        FrameRate_ = 25;
                        Width_ = 720;
                        Height_ = 576;
                    } else if (suggested_buffer == 120000 || suggested_buffer == 120008) {
                        Width_ = 720;
                        Height_ = 480;
                        FrameRate_ = 29;
                    }
                }
            } else if (id == "indx") {
                // The super index of the stream whose list it lies in.
                if (HasVideo_ && streams_seen - 1 == VideoStream_ && SuperIndexOffset_ == 0) SuperIndexOffset_ = off;
            } else if (id == "dmlh" && info_remainder == 0) {
                uint8_t total[4];
                if (size32 >= 4 && Read_at(f, data, total, 4) == 4) OdmlFrames_ = U32(total);
            } else if (id == "idx1") {
                IndexOffset_ = static_cast<int32_t>(off);
            } else if (id == "JUNK" || id == "JUNQ") {
                PadBytes_ += static_cast<int32_t>(size);
            } else if (info_remainder > 0) {
                std::string text(size_t(std::min<int64_t>(size32, k_Max_info_text)), '\0');
                text.resize(Read_at(f, data, text.data(), text.size()));
                info_.push_back({FourCCToLong(platform::Ansi_to_utf8(id)), platform::Ansi_to_utf8(StripNull(text))});
            }
            if (info_remainder != 0) {
                info_remainder -= size + 8;
                if (info_remainder < 1) info_remainder = 0;
            }
        }

        if (int64_t(size32) > after_header) {
            // A truncated file or a broken size: what lies beyond is not trusted.
            Raise_read_error("Incorrect chunk size");
            break;
        }
        if (k_Two_gb - (off + 2) <= size) {
            Raise_read_error("File too large to parse");
            break;
        }
        off = next;
    }

    if (MovieOffset_ == 0) {
        ResetInfo();
        return false;
    }
    // Past 1 GB the main header counts the frames of the first RIFF part only; the extended
    // header counts them all.
    const int32_t frames =
        OdmlFrames_ > 0 ? static_cast<int32_t>(std::min<int64_t>(OdmlFrames_, std::numeric_limits<int32_t>::max()))
                        : total_frames;
    if (iavs_) NumFrames_ = frames;
    if (!iavs_) {
        if (us_per_frame == 0) throw Run_time_error(err_Division_by_zero, "Division by zero", "clsAVIInfo");
        Width_ = main_width;
        Height_ = main_height;
        FrameRate_ = 1000000 / us_per_frame;
        const double seconds = std::nearbyint(double(us_per_frame) / 1000000.0 * double(frames));
        if (seconds > std::numeric_limits<int32_t>::max() || seconds < std::numeric_limits<int32_t>::min())
            throw Run_time_error(err_Overflow, "Overflow", "clsAVIInfo");
        PlayLength_ = static_cast<int32_t>(seconds);
        NumFrames_ = frames;
        NumStreams_ = static_cast<int16_t>(streams);
    }
    BitDepth_ = static_cast<int16_t>(U16(bmi_.data() + 14));
    filename_ = inFile;
    FileSize_ = fsize;
    Channels_ = static_cast<int16_t>(U16(wave + 2));
    SamplesPerSec_ = L32(wave + 4);
    BytePerSec_ = L32(wave + 8);
    return true;
}

std::string clsAVIInfo::FormatTime(int32_t inTime)
{
    int64_t t = inTime;
    std::string out;
    if (t < 0) {
        out = "-";
        t = -t;
    }
    bool days = false;
    if (t >= 86400) {
        out += std::to_string(t / 86400) + ":";
        t %= 86400;
        days = true;
    }
    if (t >= 3600) {
        out += (days ? Two(t / 3600) : std::to_string(t / 3600)) + ":";
        t %= 3600;
    }
    return out + Two(t / 60) + ":" + Two(t % 60);
}

std::string clsAVIInfo::LongToFourCC(int32_t inLong)
{
    const auto u = static_cast<uint32_t>(inLong);
    std::string a(4, '\0');
    for (int i = 0; i < 4; ++i) a[size_t(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return platform::Ansi_to_utf8(a);
}

int32_t clsAVIInfo::FourCCToLong(const std::string& InString)
{
    const std::string a = platform::Utf8_to_ansi(InString);
    if (a.size() != 4) return 0;
    return L32(reinterpret_cast<const uint8_t*>(a.data()));
}

int32_t clsAVIInfo::GetInfoList(std::vector<int32_t>& outArr) const
{
    if (info_.empty()) return 0;
    outArr.clear();
    for (const auto& e : info_) outArr.push_back(e.fourcc);
    return static_cast<int32_t>(info_.size());
}

std::string clsAVIInfo::QueryInfo(int32_t inInfo) const
{
    for (const auto& e : info_)
        if (e.fourcc == inInfo) return e.text;
    return {};
}

std::string clsAVIInfo::GetInfoName(int32_t inInfo)
{
    const std::string code = LongToFourCC(inInfo);
    for (const auto& r : k_Info_names)
        if (code == r.code) return r.name;
    if (!code.empty() && (code[0] == 'I' || code[0] == 'i')) return code.substr(code.size() >= 3 ? code.size() - 3 : 0);
    return std::to_string(inInfo);
}

std::string clsAVIInfo::WaveFormatName(uint16_t tag)
{
    const auto it = std::lower_bound(std::begin(k_Wave_formats), std::end(k_Wave_formats), tag,
                                     [](const Wave_row& r, uint16_t t) { return r.tag < t; });
    if (it != std::end(k_Wave_formats) && it->tag == tag) return it->name;
    return "Unknown audio format";
}

bool clsAVIInfo::IsDVCodec(const std::string& code)
{
    for (const char* dv : k_DV_codecs)
        if (Same_ci(code, dv)) return true;
    return false;
}

int32_t clsAVIInfo::NumCodecs()
{
    if (codecs_.empty()) BuildCodecTable();
    return static_cast<int32_t>(codecs_.size());
}

std::string clsAVIInfo::CodecToName(const std::string& inCodec)
{
    const std::string code = platform::Utf8_to_ansi(inCodec);
    if (code.size() != 4) return {};
    if (codecs_.empty()) BuildCodecTable();
    for (const auto& c : codecs_)
        if (Same_ci(c.code, code)) return c.name;
    return "Unknown";
}

void clsAVIInfo::AddCodec(const std::string& code, const std::string& name)
{
    std::string c = code;
    c.resize(4, ' ');
    std::string n = name;
    if (n.empty() && !codecs_.empty()) n = codecs_.back().name;
    codecs_.push_back({c, n});
}

void clsAVIInfo::BuildCodecTable()
{
    // An empty name takes the name of the entry before it (codes of one family or one maker).
    static const Info_row k_Codecs[] = {
        {"DIB ", ""}, {"RGB ", ""}, {"RAW ", ""},
        {"3IV1", "3ivx MPEG-4"}, {"3IV2", ""}, {"AASC", "Autodesk Animator codec"},
        {"AFLI", "Autodesk Animator FLI/FLC"}, {"AFLC", ""}, {"ABYR", "Kensington ABYR"},
        {"AEMI", "Array VideoONE MPEG1-I capture"}, {"AMPG", "Array VideoONE MPEG"}, {"ANIM", "Intel RDX"},
        {"AP41", "AngelPotion Definitive"}, {"ASV1", "Asus Video 1"}, {"ASV2", "Asus Video 2"}, {"ASVX", ""},
        {"AUR2", "AuraVision Aura 2 YUV 4:2:2"}, {"AURA", "AuraVision Aura 1 YUV 4:1:1"}, {"BINK", "Bink video"},
        {"BT20", "Brooktree MediaStream"}, {"BTCV", "Brooktree composite video"},
        {"BW10", "Data Translation Broadway MPEG"}, {"CC12", "Intel YUV12"}, {"CDVC", "Canopus DV"},
        {"CFCC", "DPS Perception"}, {"CGDI", "Microsoft Office 97 camcorder"}, {"CHAM", "Winnov Caviara Champagne"},
        {"CJPG", "Creative WebCam JPEG"}, {"CPLA", "Weitek YUV 4:2:0"}, {"CRAM", "Microsoft Video 1"},
        {"MSVC", ""}, {"WHAM", ""}, {"CVID", "Cinepak codec by Radius"}, {"CWLT", "Microsoft colour WLT DIB"},
        {"GWLT", "Microsoft greyscale WLT DIB"}, {"CYUV", "Creative Labs YUV"}, {"CYUY", "ATI YUV"},
        {"DIV2", "Microsoft MPEG-4 (DivX)"}, {"DIV3", "DivX MPEG-4 low motion"}, {"DIV4", "DivX MPEG-4 fast motion"},
        {"DIV5", ""}, {"DIVX", "DivX MPEG-4"}, {"DMB1", "Matrox Rainbow Runner MJPEG"}, {"DMB2", ""},
        {"DSVD", "Pinacle systems DV"}, {"DVSD", ""}, {"DUCK", "Duck TrueMotion 1"},
        {"DVE2", "InSoft DVE-2 videoconferencing"}, {"DVX1", "Lucent DVX1000SP"}, {"DVX2", ""}, {"DVX3", ""},
        {"DXT1", "DirectX texture compression"}, {"DXT2", ""}, {"DXT3", ""}, {"DXT4", ""}, {"DXT5", ""},
        {"DXTC", ""}, {"ELK0", "Elsa YUV"}, {"ESCP", "Eidos Escape"}, {"ETV1", "eTreppid video"}, {"ETV2", ""},
        {"ETVC", ""}, {"FLJP", "D-Vision field encoded MJPEG"}, {"FRWA", "SoftLab-Nsk Forward MJPEG with alpha"},
        {"FRWD", "SoftLab-Nsk Forward MJPEG"}, {"GLZW", "Motion LZW"}, {"GPEG", "Motion JPEG (GPEG)"},
        {"H260", "Intel ITU H.26x"}, {"H261", ""}, {"H262", ""}, {"H263", ""}, {"H264", ""}, {"H265", ""},
        {"H266", ""}, {"H267", ""}, {"H268", ""}, {"H269", ""}, {"HFYU", "Huffyuv lossless"},
        {"HMCR", "Rendition Motion Compensation Format"}, {"HMRR", "Rendition R3"}, {"i263", "Intel ITU H.263"},
        {"i420", "Intel Indeo 4 YUV 4:2:0"}, {"IAN ", "Intel RDX (IAN)"}, {"ICLB", "InSoft CellB videoconferencing"},
        {"IGOR", "Power DVD"}, {"IJPG", "Intergraph JPEG"}, {"ILVC", "Intel layered video"}, {"ILVR", "ITU H.263+"},
        {"IPDV", "Giga AVI DV"}, {"IR21", "Intel Indeo 2.1"}, {"IV30", "Intel Indeo Video 3"}, {"IV31", ""},
        {"IV32", ""}, {"IV33", ""}, {"IV34", ""}, {"IV35", ""}, {"IV36", ""}, {"IV37", ""}, {"IV38", ""},
        {"IV39", ""}, {"IV32", ""}, {"IV40", "Intel Indeo Video 4"}, {"IV41", ""}, {"IV42", ""}, {"IV43", ""},
        {"IV44", ""}, {"IV45", ""}, {"IV46", ""}, {"IV47", ""}, {"IV48", ""}, {"IV49", ""},
        {"IV50", "Intel Indeo Video 5"}, {"JPGL", "DIVIO JPEG light"}, {"KMVC", "Karl Morton video codec"},
        {"LEAD", "LEAD video codec"}, {"Ljpg", "LEAD MJPEG"}, {"M263", "Microsoft H.263"},
        {"M261", "Microsoft H.261"}, {"MC12", "ATI Motion Compensation Format"}, {"MCAM", ""},
        {"mJPG", "Motion JPEG"}, {"MJPG", "Motion JPEG"}, {"MP42", "Microsoft MPEG-4 V2"},
        {"MP43", "Microsoft MPEG-4 V3"}, {"MP4S", "Microsoft MPEG-4 (Windows Media)"}, {"MPEG", "Chromatic MPEG-1"},
        {"MPG4", "Microsoft MPEG-4 V1"}, {"MPGI", "Sigma Designs MPEG"}, {"MRCA", "FAST Multimedia MR codec"},
        {"MRLE", "Microsoft RLE"}, {"RLE ", ""}, {"MTX1", "Matrox"}, {"MTX2", ""}, {"MTX3", ""}, {"MTX4", ""},
        {"MTX5", ""}, {"MTX6", ""}, {"MTX7", ""}, {"MTX8", ""}, {"MTX9", ""}, {"MWV1", "Aware Motion Wavelets"},
        {"nAVI", "nAVI"}, {"NTN1", "Nogatech video compression 1"}, {"NVS0", "Nvidia GeForce texture"},
        {"NVS1", ""}, {"NVS2", ""}, {"NVS3", ""}, {"NVS4", ""}, {"NVS5", ""}, {"NVT0", "Nvidia texture format"},
        {"NVT1", ""}, {"NVT2", ""}, {"NVT3", ""}, {"NVT4", ""}, {"NVT5", ""}, {"PDVC", "I-O Data Device Inc. DVC"},
        {"PGVV", "Radius video vision"}, {"PIM1", "Pegasus Imaging MPEG-1"}, {"PIM2", "Pegasus Imaging"},
        {"PIMJ", "Pegasus Imaging lossless JPEG"}, {"PVEZ", "Horizons Technology PowerEZ"},
        {"PVMM", "PacketVideo MPEG-4"}, {"PVW2", "Pegasus Imaging wavelet"}, {"qpeq", "Q-Team QPEG"},
        {"QPEG", "Q-Team QPEG"}, {"RGBT", "Computer Concepts 32-bit"}, {"RT21", "Intel Indeo 2.1 (RT21)"},
        {"rv20", "RealVideo G2"}, {"rv30", "RealVideo 8"}, {"RVX ", "Intel RDX (RVX)"},
        {"s422", "Tekram VideoCap C210 YUV 4:2:2"}, {"SDCC", "Sun digital camera codec"},
        {"SFMC", "Crystal Net SFM codec"}, {"SMSC", "Radius SMSC"}, {"SMSD", "Radius SMSD"},
        {"smsv", "WorldConnect wavelet video"}, {"SPIG", "Radius Spigot"},
        {"SQZ2", "Microsoft VXTreme video codec V2"}, {"SV10", "Sorenson Media video R1"},
        {"STVA", "ST CMOS imager data"}, {"STVB", ""}, {"STVC", ""}, {"STVX", ""}, {"STVY", ""},
        {"SVQ1", "Sorenson video"}, {"TLMS", "TeraLogic motion intraframe"},
        {"TLST", "TeraLogic motion intraframe (TLST)"}, {"TMIC", "TeraLogic motion intraframe (TMIC)"},
        {"TM20", "Duck TrueMotion 2.0"}, {"TM2X", "Duck TrueMotion 2X"}, {"TMOT", "Horizons TrueMotion S"},
        {"TR20", "Duck TrueMotion RT 2.0"}, {"TSCC", "TechSmith screen capture"}, {"TV10", "Tecomac low-bit rate"},
        {"TVJP", "TrueVision field encoded MJPEG"}, {"TVMJ", ""}, {"TY2C", "Trident decompression driver"},
        {"TY2N", ""}, {"TY0N", ""}, {"UCOD", "eMajix ClearVideo"}, {"ULTI", "IBM Ultimotion"},
        {"V261", "Lucent VX2000S"}, {"VCR1", "ATI video codec 1"}, {"VCR2", "ATI video codec 2"},
        {"VDOM", "VDOnet VDOWave"}, {"VDOW", ""}, {"VDTZ", "VideoTizer YUV"}, {"VGPX", "VideoGramPix"},
        {"VIDS", "Vitec Multimedia YUV 4:2:2"}, {"VIVO", "Vivo H.263"}, {"VIXL", "Miro Video XL"},
        {"VLV1", "VideoLogic"}, {"VP30", "On2 VP3.0"}, {"VP31", "On2 VP3.1"}, {"VX1K", "Lucent VX1000S"},
        {"VX2K", "Lucent VX2000S (VX2K)"}, {"VXSP", "Lucent VX1000SP"}, {"VYU9", "ATI YUV (VYU9)"},
        {"VYUY", "ATI packed YUV"}, {"WBVC", "Winbond W9960"}, {"WINX", "Winnov software compression"},
        {"WJPG", "Winbond JPEG"}, {"WNV1", "Winnov hardware compression"}, {"x263", "Xirlink H.263"},
        {"XLV0", "NetXL video decoder"}, {"XMPG", "Xing MPEG"}, {"Y41P", "Brooktree YUV 4:1:1"},
        {"Y8  ", "Grayscale video"}, {"YC12", "Intel YUV12 codec"}, {"YUV8", "Winnov YUV8"},
        {"YUY2", "Microsoft RAW YUV 4:2:2"}, {"YUYV", "Canopus YUYV"}, {"ZLIB", "Lossless zlib"},
        {"ZPEG", "Metheus video zipper"}, {"XVID", "XviD open source MPEG-4"},
    };
    codecs_.clear();
    codecs_.reserve(std::size(k_Codecs));
    AddCodec(std::string(4, '\0'), "Uncompressed");
    for (const auto& c : k_Codecs) AddCodec(c.code, c.name);
}

} // namespace wk
