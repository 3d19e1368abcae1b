// The recording object's AVI face: the header chunks added to an AVI, its indexes, its own
// headers and its text stream, answered by the AVI reader. A recording of another kind answers
// as an AVI in which nothing was found.
#include "recording/Avi_section.h"

#include "recording/Recording_file.h"
#include "recording/Recording_port.h"

#include "recording/Avi_chunks.h"
#include "recording/Avi_frame_index.h"
#include "recording/Avi_index.h"
#include "recording/Avi_text_stream.h"
#include "recording/Header_journal.h"
#include "recording/Recording_bytes.h"
#include "platform/Text_codec.h"
#include "recording/Recording_reader.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <algorithm>

namespace wk {
namespace {

constexpr const char* k_Avi_class = " of Class Module cls_AVI_handler";

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

Avi_chunks& Avi_section::Open_chunks() const
{
    Avi_chunks* avi = port_.Reader().Chunks();
    if (!avi || !port_.File().file.Is_open()) throw Run_time_error(52, "No AVI recording is open");
    return *avi;
}

// ---- Header chunks ----

void Avi_section::Parse_Chunks()
{
    if (Avi_chunks* avi = port_.Reader().Chunks()) avi->Parse_chunks();
}

bool Avi_section::read_AVI_XML_string()
{
    Avi_chunks* avi = port_.Reader().Chunks();
    return avi && avi->Read_XML_chunk();
}

int64_t Avi_section::AVI_Chunk_addr(int16_t index) const
{
    if (index < 0 || index > 7) throw Run_time_error(err_Subscript, "Subscript out of range");
    const Avi_chunks* avi = port_.Reader().Chunks();
    return avi ? avi->Chunk_addr(index) : 0;
}

uint32_t Avi_section::RIFF_size() const { return Avi_answer(port_.Reader().Chunks(), &Avi_chunks::Riff_size); }

int64_t Avi_section::JUNK_pos() const { return Avi_answer(port_.Reader().Chunks(), &Avi_chunks::Junk_pos); }

// Adds the chunk at the end of the file, makes the RIFF chunk cover it and notes the chunks again.
bool Avi_section::Append_chunk(Avi_chunks& avi, const char* tag, std::span<const uint8_t> data, int64_t data_size)
{
    if (!avi.Append_chunk(tag, data, data_size) || !Rewrite_AVI_Header()) return false;
    avi.Parse_chunks();
    return true;
}

bool Avi_section::Append_XML_header()
{
    try {
        Avi_chunks& avi = Open_chunks();
        if (!avi.Chunk_can_be_appended()) return false;
        auto& h = port_.File().Header();
        if (golf_header_) h.Golfing(true);
        if (!h.Create_Header()) return false;
        const std::string text = h.XML_string();
        // Room for a header as large as the own format holds.
        const int64_t data = std::max<int64_t>(recording_format::k_QSXM_min_size,
                                               (int64_t(text.size()) + recording_format::k_XML_padding + 1) / 2 * 2);
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return Append_chunk(avi, recording_format::k_XML_chunk_tag, bytes, data) && avi.Has_QSXM_chunk();
    } catch (...) {
        Report_current_exception("Append_XML_header" + std::string(k_Avi_class));
        return false;
    }
}

bool Avi_section::Append_DV_header()
{
    try {
        Avi_chunks& avi = Open_chunks();
        if (!avi.Chunk_can_be_appended()) return false;
        const std::vector<uint8_t> record = DV_Header_Record{}.To_bytes();
        return Append_chunk(avi, recording_format::k_DV_header_chunk_tag, record, DV_Header_Record::k_Size) &&
               avi.Has_BXHD_chunk();
    } catch (...) {
        Report_current_exception("Append_DV_header" + std::string(k_Avi_class));
        return false;
    }
}

bool Avi_section::Rewrite_AVI_Header()
{
    try {
        Open_chunks().Rewrite_riff_header();
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_AVI_Header" + std::string(k_Avi_class));
        return false;
    }
}

// ---- The DV header record ----

const DV_Header_Record& Avi_section::DV_header() const
{
    static const DV_Header_Record k_None;
    const DV_Header_Record* record = port_.Reader().DV_record();
    return record ? *record : k_None;
}

bool Avi_section::Rewrite_DV_header()
{
    try {
        // The record opens an sdv file only; anywhere else it would overwrite the file's start.
        const DV_Header_Record* record = port_.Reader().DV_record();
        if (!record || !port_.File().file.Is_open()) throw Run_time_error(52, "No sdv recording is open");
        if (port_.File().read_only || !port_.File().file.Writable())
            throw Run_time_error(75, "The recording is read-only: " + port_.File().name);
        Header_journal::Write(port_.File().file, port_.File().name, {Byte_patch{0, record->To_bytes()}},
                              port_.Reader().Header_area_of(port_.File().file), port_.File().problems);
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_DV_header" + std::string(k_Avi_class));
        return false;
    }
}

// ---- Indexes and frames ----

bool Avi_section::Get_AVI_indexes(const std::string& path)
{
    if (Avi_frame_index* index = port_.Reader().Frame_index()) return index->Read_indexes(path);
    port_.File().problems.Post(Avi_index::No_index(path));
    return false;
}

bool Avi_section::Read_ix00_Index(int64_t start)
{
    Avi_frame_index* index = port_.Reader().Frame_index();
    return index && index->Read_ix00_index(start);
}

const std::vector<Avi_section::Ix00_entry>& Avi_section::ix00_entries() const
{
    static const std::vector<Ix00_entry> k_None;
    const Avi_frame_index* index = port_.Reader().Frame_index();
    return index ? index->Ix00_entries() : k_None;
}


int32_t Avi_section::Index_flag(int32_t n) const
{
    if (const Avi_frame_index* index = port_.Reader().Frame_index()) return index->Index_flag(n);
    throw Run_time_error(err_Subscript, "Subscript out of range");
}

int64_t Avi_section::Chunk_Position() const { return Avi_answer(port_.Reader().Chunks(), &Avi_chunks::Chunk_position); }



// ---- The AVI's own headers ----

bool Avi_section::Read_Headers()
{
    Avi_chunks* avi = port_.Reader().Chunks();
    return avi && avi->Read_headers();
}

std::span<const uint8_t> Avi_section::AVI_Chunk_addr() const
{
    return Avi_answer(port_.Reader().Chunks(), &Avi_chunks::Avih_header);
}

std::span<const uint8_t> Avi_section::AVIInfo_addr() const { return Avi_answer(port_.Reader().Chunks(), &Avi_chunks::Avih); }

std::span<const uint8_t> Avi_section::get_AVI_strh() const { return Avi_answer(port_.Reader().Chunks(), &Avi_chunks::Strh); }

std::span<const uint8_t> Avi_section::get_AVI_strf() const { return Avi_answer(port_.Reader().Chunks(), &Avi_chunks::Strf); }

std::string Avi_section::Hash_atype() const { return Avi_answer(port_.Reader().Chunks(), &Avi_chunks::Hash_atype); }

bool Avi_section::Force_Framerate(int16_t fps)
{
    Avi_chunks* avi = port_.Reader().Chunks();
    if (!avi || !avi->Headers_read() || !port_.File().file.Is_open())
        throw Run_time_error(err_Invalid_argument, "The frame rate can be set only after the AVI headers of " +
                                                       port_.File().name + " have been read");
    return avi->Force_framerate(fps);
}

// ---- Text stream ----

bool Avi_section::Has_Text_Stream() const
{
    return Avi_answer(port_.Reader().Text_stream(), &Avi_text_stream::Has_text_stream);
}

int16_t Avi_section::Text_Length() const { return Avi_answer(port_.Reader().Text_stream(), &Avi_text_stream::Text_length); }

std::span<const uint8_t> Avi_section::text_adress() const
{
    return Avi_answer(port_.Reader().Text_stream(), &Avi_text_stream::Text);
}

int64_t Avi_section::Text_Position() const
{
    return Avi_answer(port_.Reader().Text_stream(), &Avi_text_stream::Text_position);
}

std::vector<uint8_t> Avi_section::Get_Text_buffer(int32_t frame)
{
    Avi_text_stream* text = port_.Reader().Text_stream();
    return text ? text->Text_chunk(frame) : std::vector<uint8_t>();
}

bool Avi_section::Put_Text_buffer(std::span<const uint8_t> data)
{
    Avi_text_stream* text = port_.Reader().Text_stream();
    return text && text->Put_text(data);
}

bool Avi_section::Rewrite_Text_Buffer(int32_t frame)
{
    try {
        if (port_.Drive_type() == 5) {
            port_.File().problems.Post({Recording_problem::Kind::on_cd_rom, {}, port_.File().name});
            return false;
        }
        if (port_.File().read_only) {
            port_.File().problems.Post({Recording_problem::Kind::avi_read_only, {}, port_.File().name});
            return false;
        }
        if (!Has_Text_Stream()) return false;
        port_.Reader().Text_stream()->Write_text(frame);
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_Text_Buffer" + std::string(k_Avi_class));
        return false;
    }
}

// ---- Data channel names ----

std::string Avi_section::Data_Channel_Name(int16_t index)
{
    const int64_t at = Channel_field_offset(port_.File().file, AVI_Chunk_addr(k_Channel_table_chunk), index);
    char field[k_Channel_field];
    if (at < 0 || !port_.File().file.Read_exact(at, field, sizeof field)) return "";
    std::string name(field, sizeof field);
    // A field never written holds zero bytes rather than blanks.
    name.erase(name.find_last_not_of(std::string(" \0", 2)) + 1);
    return platform::Ansi_to_utf8(name);
}

bool Avi_section::Write_channel_name(int16_t index, const std::string& name)
{
    try {
        const int64_t at = Channel_field_offset(port_.File().file, AVI_Chunk_addr(k_Channel_table_chunk), index);
        if (at < 0)
            throw Run_time_error(err_Subscript, "The recording " + port_.File().name + " has no data channel " +
                                                    std::to_string(index) + " to name");
        std::string field = platform::Utf8_to_ansi(name).substr(0, size_t(k_Channel_field));
        field.resize(size_t(k_Channel_field), ' ');
        Header_journal::Write(port_.File().file, port_.File().name,
                              {Byte_patch{at, std::vector<uint8_t>(field.begin(), field.end())}},
                              port_.Reader().Header_area_of(port_.File().file), port_.File().problems);
        return true;
    } catch (...) {
        Report_current_exception("Write_channel_name" + std::string(k_Avi_class));
        return false;
    }
}

} // namespace wk
