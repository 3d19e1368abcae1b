// The recording object's data channel names: a table of 40-byte fields in the AVI's BXA1 chunk.
#include "recording/cls_AVI_handler.h"

#include "platform/Text_codec.h"
#include "recording/Header_journal.h"
#include "recording/Recording_reader.h"
#include "recording/Recording_bytes.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

namespace wk {
namespace {

constexpr int64_t k_Channel_field = 40;
constexpr int16_t k_Channel_table_chunk = 1; // BXA1

// 0-based file offset of channel field n of the table whose chunk header lies at 1-based
// position `table`; -1 when there is no table or the field lies outside its chunk or the file.
int64_t Channel_field_offset(const platform::Byte_file& file, int64_t table, int16_t n)
{
    if (!file.Is_open() || table <= 0 || n < 1) return -1;
    uint8_t size[4];
    if (!file.Read_exact(table - 1 + 4, size, sizeof size)) return -1;
    const int64_t data = int64_t(uint32_t(recording_bytes::Get_long(size)));
    const int64_t at = table - 1 + 8 + k_Channel_field * (n - 1);
    if (k_Channel_field * n > data || at + k_Channel_field > file.Size()) return -1;
    return at;
}

} // namespace

std::string cls_AVI_handler::Data_Channel_Name(int16_t index)
{
    const int64_t at = Channel_field_offset(rec_.file, AVI_Chunk_addr(k_Channel_table_chunk), index);
    char field[k_Channel_field];
    if (at < 0 || !rec_.file.Read_exact(at, field, sizeof field)) return "";
    std::string name(field, sizeof field);
    // A field never written holds zero bytes rather than blanks.
    name.erase(name.find_last_not_of(std::string(" \0", 2)) + 1);
    return platform::Ansi_to_utf8(name);
}

bool cls_AVI_handler::Write_channel_name(int16_t index, const std::string& name)
{
    try {
        const int64_t at = Channel_field_offset(rec_.file, AVI_Chunk_addr(k_Channel_table_chunk), index);
        if (at < 0)
            throw Run_time_error(err_Subscript, "The recording " + rec_.name + " has no data channel " +
                                                    std::to_string(index) + " to name");
        std::string field = platform::Utf8_to_ansi(name).substr(0, size_t(k_Channel_field));
        field.resize(size_t(k_Channel_field), ' ');
        Header_journal::Write(rec_.file, rec_.name, {Byte_patch{at, std::vector<uint8_t>(field.begin(), field.end())}},
                              reader_->Header_area_of(rec_.file), rec_.problems);
        return true;
    } catch (...) {
        Report_current_exception("Write_channel_name" + std::string(k_Class));
        return false;
    }
}

} // namespace wk
