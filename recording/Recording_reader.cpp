#include "recording/Recording_reader.h"

#include "recording/Avi_reader.h"
#include "recording/Own_format_reader.h"
#include "recording/Raw_dv_reader.h"
#include "recording/Sdv_reader.h"
#include "services/Module_utilities.h"

#include <algorithm>

namespace wk {
namespace {

// A file named with no recording suffix: it may be created and written, never opened or read.
class No_recording_reader final : public Recording_reader {
public:
    using Recording_reader::Recording_reader;
    bool Open() override { return false; }
    bool Read_frame(int32_t, int16_t) override { return false; }
    bool Is_recording_kind() const override { return false; }
};

} // namespace

bool Recording_reader::Read_placed_frame(int32_t f, int16_t s, int16_t stored)
{
    int64_t offset = 0;
    size_t length = 0;
    if (!Frame_place(f, s, offset, length)) return false;
    file_.frame_position = offset + 1;
    if (!file_.file.Read_exact(offset, file_.frame_buffer.data(), length)) return false;
    file_.chunk_length = file_.frame_size;
    file_.frame_in_store = f;
    file_.current_stream = stored;
    return true;
}

bool Recording_reader::Open_file(bool read_only_file)
{
    return file_.Open(read_only_file, [this](const platform::Byte_file& f) { return Header_area_of(f); });
}

std::span<uint8_t> Recording_reader::Frame()
{
    return std::span<uint8_t>(file_.frame_buffer.data(), std::min(file_.frame_buffer.size(), size_t(file_.frame_size)));
}

bool Recording_reader::Is_DV() const
{
    return file_.codec == "msdv" || file_.codec == "dvsd" || file_.codec == "CDVC";
}

std::unique_ptr<Recording_reader> Make_recording_reader(const std::string& suffix, Recording_file& file)
{
    const std::string s = Lower_ascii(suffix);
    if (s == "qs1" || s == "qs2") return std::make_unique<Own_format_reader>(file);
    if (s == "dv") return std::make_unique<Raw_dv_reader>(file);
    if (s == "sdv") return std::make_unique<Sdv_reader>(file);
    if (s == "avi") return std::make_unique<Avi_reader>(file);
    return std::make_unique<No_recording_reader>(file);
}

} // namespace wk
