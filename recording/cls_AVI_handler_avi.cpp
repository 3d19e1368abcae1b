// The recording object's AVI face: the header chunks added to an AVI, its indexes, its own
// headers and its text stream, answered by the AVI reader. A recording of another kind answers
// as an AVI in which nothing was found.
#include "recording/cls_AVI_handler.h"

#include "recording/Avi_chunks.h"
#include "recording/Avi_frame_index.h"
#include "recording/Avi_index.h"
#include "recording/Avi_text_stream.h"
#include "recording/Header_journal.h"
#include "recording/Recording_reader.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <algorithm>

namespace wk {
namespace {

// What the AVI's face answers; for a recording of another kind, what an AVI without it would.
template <class Face, class Answer>
Answer Ask(const Face* face, Answer (Face::*question)() const)
{
    return face ? (face->*question)() : Answer();
}

} // namespace

Avi_chunks& cls_AVI_handler::Open_chunks() const
{
    Avi_chunks* avi = reader_->Chunks();
    if (!avi || !rec_.file.Is_open()) throw Run_time_error(52, "No AVI recording is open");
    return *avi;
}

// ---- Header chunks ----

void cls_AVI_handler::Parse_Chunks()
{
    if (Avi_chunks* avi = reader_->Chunks()) avi->Parse_chunks();
}

bool cls_AVI_handler::read_AVI_XML_string()
{
    Avi_chunks* avi = reader_->Chunks();
    return avi && avi->Read_XML_chunk();
}

int64_t cls_AVI_handler::AVI_Chunk_addr(int16_t index) const
{
    if (index < 0 || index > 7) throw Run_time_error(err_Subscript, "Subscript out of range");
    const Avi_chunks* avi = reader_->Chunks();
    return avi ? avi->Chunk_addr(index) : 0;
}

uint32_t cls_AVI_handler::RIFF_size() const { return Ask(reader_->Chunks(), &Avi_chunks::Riff_size); }

int64_t cls_AVI_handler::JUNK_pos() const { return Ask(reader_->Chunks(), &Avi_chunks::Junk_pos); }

// Adds the chunk at the end of the file, makes the RIFF chunk cover it and notes the chunks again.
bool cls_AVI_handler::Append_chunk(Avi_chunks& avi, const char* tag, std::span<const uint8_t> data, int64_t data_size)
{
    if (!avi.Append_chunk(tag, data, data_size) || !Rewrite_AVI_Header()) return false;
    avi.Parse_chunks();
    return true;
}

bool cls_AVI_handler::Append_XML_header()
{
    try {
        Avi_chunks& avi = Open_chunks();
        if (!avi.Chunk_can_be_appended()) return false;
        auto& h = Header();
        if (golf_header_) h.Golfing(true);
        if (!h.Create_Header()) return false;
        const std::string text = h.XML_string();
        // Room for a header as large as the own format holds.
        const int64_t data = std::max<int64_t>(k_QSXM_min_size, (int64_t(text.size()) + recording_format::k_XML_padding + 1) / 2 * 2);
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return Append_chunk(avi, recording_format::k_XML_chunk_tag, bytes, data) && avi.Has_QSXM_chunk();
    } catch (...) {
        Report_current_exception("Append_XML_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Append_DV_header()
{
    try {
        Avi_chunks& avi = Open_chunks();
        if (!avi.Chunk_can_be_appended()) return false;
        const std::vector<uint8_t> record = DV_Header_Record{}.To_bytes();
        return Append_chunk(avi, recording_format::k_DV_header_chunk_tag, record, DV_Header_Record::k_Size) && avi.Has_BXHD_chunk();
    } catch (...) {
        Report_current_exception("Append_DV_header" + std::string(k_Class));
        return false;
    }
}

bool cls_AVI_handler::Rewrite_AVI_Header()
{
    try {
        Open_chunks().Rewrite_riff_header();
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_AVI_Header" + std::string(k_Class));
        return false;
    }
}

// ---- The DV header record ----

const DV_Header_Record& cls_AVI_handler::DV_header() const
{
    static const DV_Header_Record k_None;
    const DV_Header_Record* record = reader_->DV_record();
    return record ? *record : k_None;
}

bool cls_AVI_handler::Rewrite_DV_header()
{
    try {
        // The record opens an sdv file only; anywhere else it would overwrite the file's start.
        const DV_Header_Record* record = reader_->DV_record();
        if (!record || !rec_.file.Is_open()) throw Run_time_error(52, "No sdv recording is open");
        if (rec_.read_only || !rec_.file.Writable()) throw Run_time_error(75, "The recording is read-only: " + rec_.name);
        Header_journal::Write(rec_.file, rec_.name, {Byte_patch{0, record->To_bytes()}}, reader_->Header_area_of(rec_.file),
                              rec_.problems);
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_DV_header" + std::string(k_Class));
        return false;
    }
}

// ---- Indexes and frames ----

bool cls_AVI_handler::Get_AVI_indexes(const std::string& path)
{
    if (Avi_frame_index* index = reader_->Frame_index()) return index->Read_indexes(path);
    rec_.problems.Post(Avi_index::No_index(path));
    return false;
}

bool cls_AVI_handler::Read_ix00_Index(int64_t start)
{
    Avi_frame_index* index = reader_->Frame_index();
    return index && index->Read_ix00_index(start);
}

const std::vector<cls_AVI_handler::Ix00_entry>& cls_AVI_handler::ix00_entries() const
{
    static const std::vector<Ix00_entry> k_None;
    const Avi_frame_index* index = reader_->Frame_index();
    return index ? index->Ix00_entries() : k_None;
}

std::span<const uint8_t> cls_AVI_handler::Get_Frame(int32_t frame)
{
    if (!Read_Frame(frame, 1) || !reader_->Chunks()) return {};
    return reader_->Chunks()->Chunk_data();
}

int32_t cls_AVI_handler::Index_flag(int32_t n) const
{
    if (const Avi_frame_index* index = reader_->Frame_index()) return index->Index_flag(n);
    throw Run_time_error(err_Subscript, "Subscript out of range");
}

int64_t cls_AVI_handler::Chunk_Position() const { return Ask(reader_->Chunks(), &Avi_chunks::Chunk_position); }

int32_t cls_AVI_handler::Position_Percent() const { return Ask(reader_->Chunks(), &Avi_chunks::Position_percent); }

float cls_AVI_handler::Player_Time() const { return Swing_player_time() - Base_time(); }
float cls_AVI_handler::Swing_player_time() const { return Ask(reader_->Chunks(), &Avi_chunks::Player_time); }
bool cls_AVI_handler::Keeps_swing_fields() const { return reader_->Own_head() != nullptr; }
const platform::Byte_file* cls_AVI_handler::Model_file() const
{
    return reader_->Chunks() && rec_.file.Is_open() ? &rec_.file : nullptr;
}

// ---- The AVI's own headers ----

bool cls_AVI_handler::Read_Headers()
{
    Avi_chunks* avi = reader_->Chunks();
    return avi && avi->Read_headers();
}

std::span<const uint8_t> cls_AVI_handler::AVI_Chunk_addr() const { return Ask(reader_->Chunks(), &Avi_chunks::Avih_header); }

std::span<const uint8_t> cls_AVI_handler::AVIInfo_addr() const { return Ask(reader_->Chunks(), &Avi_chunks::Avih); }

std::span<const uint8_t> cls_AVI_handler::get_AVI_strh() const { return Ask(reader_->Chunks(), &Avi_chunks::Strh); }

std::span<const uint8_t> cls_AVI_handler::get_AVI_strf() const { return Ask(reader_->Chunks(), &Avi_chunks::Strf); }

std::string cls_AVI_handler::Hash_atype() const { return Ask(reader_->Chunks(), &Avi_chunks::Hash_atype); }

bool cls_AVI_handler::Force_Framerate(int16_t fps)
{
    Avi_chunks* avi = reader_->Chunks();
    if (!avi || !avi->Headers_read() || !rec_.file.Is_open())
        throw Run_time_error(err_Invalid_argument, "The frame rate can be set only after the AVI headers of " +
                                                       rec_.name + " have been read");
    return avi->Force_framerate(fps);
}

// ---- Text stream ----

bool cls_AVI_handler::Has_Text_Stream() const { return Ask(reader_->Text_stream(), &Avi_text_stream::Has_text_stream); }

int16_t cls_AVI_handler::Text_Length() const { return Ask(reader_->Text_stream(), &Avi_text_stream::Text_length); }

std::span<const uint8_t> cls_AVI_handler::text_adress() const { return Ask(reader_->Text_stream(), &Avi_text_stream::Text); }

int64_t cls_AVI_handler::Text_Position() const { return Ask(reader_->Text_stream(), &Avi_text_stream::Text_position); }

std::vector<uint8_t> cls_AVI_handler::Get_Text_buffer(int32_t frame)
{
    Avi_text_stream* text = reader_->Text_stream();
    return text ? text->Text_chunk(frame) : std::vector<uint8_t>();
}

bool cls_AVI_handler::Put_Text_buffer(std::span<const uint8_t> data)
{
    Avi_text_stream* text = reader_->Text_stream();
    return text && text->Put_text(data);
}

bool cls_AVI_handler::Rewrite_Text_Buffer(int32_t frame)
{
    try {
        if (drive_type_ == 5) {
            rec_.problems.Post({Recording_problem::Kind::on_cd_rom, {}, rec_.name});
            return false;
        }
        if (rec_.read_only) {
            rec_.problems.Post({Recording_problem::Kind::avi_read_only, {}, rec_.name});
            return false;
        }
        if (!Has_Text_Stream()) return false;
        reader_->Text_stream()->Write_text(frame);
        return true;
    } catch (...) {
        Report_current_exception("Rewrite_Text_Buffer" + std::string(k_Class));
        return false;
    }
}

} // namespace wk
