#include "recording/Own_format_reader.h"

#include "platform/Append_lock.h"
#include "recording/Header_journal.h"
#include "recording/Recording_bytes.h"
#include "recording/Recording_format.h"
#include "recording/Stored_dv_frame.h"
#include "services/Module_utilities.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace wk {

using namespace recording_bytes;
using namespace recording_format;

namespace {

constexpr int32_t k_Frame = k_DV_frame_size;

// The bytes that give the text a new frame count, to be written at `from`, without changing the
// text's length: a shorter number is padded with leading zeros; a longer one takes the place of
// blanks right after its element. False when neither fits.
bool Count_patch(const std::string& text, int32_t count, size_t& from, std::string& patch)
{
    static const std::string open = "<num_frames>", close = "</num_frames>";
    const size_t at = text.find(open);
    if (at == std::string::npos) return false;
    from = at + open.size();
    const size_t end = text.find(close, from);
    if (end == std::string::npos) return false;
    const size_t width = end - from;
    std::string digits = std::to_string(count);
    if (digits.size() <= width) {
        patch = std::string(width - digits.size(), '0') + digits;
        return true;
    }
    const size_t after = end + close.size(), grow = digits.size() - width;
    for (size_t k = 0; k < grow; ++k)
        if (after + k >= text.size() || !std::isspace(static_cast<unsigned char>(text[after + k]))) return false;
    patch = digits + close;
    return true;
}

} // namespace

bool Own_format_reader::Open()
{
    if (!Open_file(file_.read_only)) return false;
    file_.frame_size = k_Frame;
    file_.width = 720;
    file_.height = 576;
    if (!Read_head()) return false;
    const int32_t streams = file_.Header().Streams_no();
    if (streams < 1 || streams > 5) {
        file_.problems.Post(
            {Recording_problem::Kind::corrupt, "Invalid number of streams: " + std::to_string(streams), file_.name});
        return false;
    }
    file_.Take_PAL_DV_values(int16_t(streams));
    file_.Read_stream_info();
    file_.file_size = file_.file.Size();
    // Whole frames only: a frame cut short at the end is not counted.
    file_.num_calculated_frames = int32_t((file_.file_size - qsm_.Data_offset) / k_Frame);
    // The header's count, but never more frames than every stream has whole on disk.
    const int64_t on_disk = std::max<int64_t>(file_.num_calculated_frames, 0) / std::max<int32_t>(streams, 1);
    file_.num_frames = int32_t(std::clamp<int64_t>(file_.Header().Frames_no(), 0, on_disk));
    // Frames past the count while a capture still appends them are that capture's, not a crash's.
    if (on_disk > file_.num_frames && !platform::Append_lock::Held(file_.name)) Recover_frames(on_disk);
    file_.num_fields = file_.Gross_fields();
    file_.input_format.biBitCount = 24;
    return true;
}

bool Own_format_reader::Read_head()
{
    uint8_t b[k_Own_head_size] = {};
    const int64_t size = file_.file.Size();
    auto refuse = [&](const std::string& why) {
        file_.problems.Post({Recording_problem::Kind::corrupt, why, file_.name});
        return false;
    };
    if (size < k_Own_head_size || !file_.file.Read_exact(0, b, sizeof b)) return refuse("no recording head");
    if (std::memcmp(b, k_Own_magic, 4) != 0) return refuse("not a Wakeline recording");
    QSM_Header_Record r;
    std::memcpy(r.Magic.data(), b, 4);
    r.Data_offset = Get_long(b + 4);
    r.Reserved1 = Get_long(b + 8);
    r.XML_length = Get_long(b + 12);
    r.Reserved2 = Get_long(b + 16);
    if (r.XML_length <= 0 || r.XML_length > k_Max_XML_length || k_Own_head_size + int64_t(r.XML_length) > size)
        return refuse("invalid header length " + std::to_string(r.XML_length));
    if (r.Data_offset < k_Own_head_size + r.XML_length || r.Data_offset > size)
        return refuse("invalid data offset " + std::to_string(r.Data_offset));
    std::string text(size_t(r.XML_length), '\0');
    if (!file_.file.Read_exact(k_Own_head_size, text.data(), text.size())) return refuse("header cut short");
    text.resize(std::strlen(text.c_str()));
    qsm_ = r;
    // The header reports a text that does not parse itself.
    return file_.Header().XML_string(text);
}

// Frames a capture appended and could not count in the header before it was stopped: those
// whose every stream holds a whole DV frame are shown, and the count is stored where it may be.
void Own_format_reader::Recover_frames(int64_t on_disk)
{
    std::vector<uint8_t> frame(static_cast<size_t>(k_Frame));
    int64_t whole = file_.num_frames;
    for (bool ok = true; ok && whole < on_disk; whole += ok ? 1 : 0)
        for (int64_t s = 0; ok && s < file_.num_streams; ++s)
            ok = file_.file.Read_exact(qsm_.Data_offset + (whole * file_.num_streams + s) * k_Frame, frame.data(),
                                       frame.size()) &&
                 Is_whole_stored_DV_frame(frame);
    const int64_t recovered = whole - file_.num_frames;
    if (recovered <= 0) return;
    file_.num_frames = int32_t(std::min<int64_t>(whole, INT32_MAX));
    file_.problems.Post({Recording_problem::Kind::frames_recovered, std::to_string(recovered), file_.name});
    if (file_.read_only || !file_.file.Writable()) return;
    try {
        file_.Header().Frames_no(file_.num_frames);
        Write_header_text(file_.Header().XML_string());
    } catch (const Run_time_error& e) {
        // A full disk has no room for the journal; the count alone needs none.
        if (!Write_frame_count(file_.num_frames))
            file_.problems.Post({Recording_problem::Kind::count_not_stored, e.what(), file_.name});
    }
}

bool Own_format_reader::Read_text_on_disk(const platform::Byte_file& file, std::string& text)
{
    uint8_t b[k_Own_head_size];
    if (!file.Read_exact(0, b, sizeof b) || std::memcmp(b, k_Own_magic, 4) != 0) return false;
    const int32_t length = Get_long(b + 12);
    if (length <= 0 || length > k_Max_XML_length || k_Own_head_size + length > Get_long(b + 4)) return false;
    text.assign(size_t(length), '\0');
    return file.Read_exact(k_Own_head_size, text.data(), text.size());
}

bool Own_format_reader::Write_frame_count(int32_t count)
{
    if (!file_.file.Is_open()) return false;
    return Write_frame_count_on(file_.file, count);
}

bool Own_format_reader::Write_frame_count_on(platform::Byte_file& file, int32_t count)
{
    if (!file.Is_open() || !file.Writable() || count < 0) return false;
    std::string text;
    size_t from = 0;
    std::string patch;
    if (!Read_text_on_disk(file, text) || !Count_patch(text, count, from, patch)) return false;
    std::string changed = text;
    changed.replace(from, patch.size(), patch);
    // Only a text that reads back with the new count goes to the disk.
    Cls_XML_header check;
    if (!check.XML_string(changed.substr(0, std::strlen(changed.c_str()))) || check.Frames_no() != count) return false;
    if (!file.Write_at(k_Own_head_size + int64_t(from), patch.data(), patch.size())) return false;
    file.Sync();
    return true;
}

std::array<uint8_t, k_Own_head_size> Own_format_reader::Head_bytes(const QSM_Header_Record& r)
{
    std::array<uint8_t, k_Own_head_size> b{};
    std::memcpy(b.data(), k_Own_magic, 4);
    Put_long(b.data() + 4, r.Data_offset);
    Put_long(b.data() + 8, r.Reserved1);
    Put_long(b.data() + 12, r.XML_length);
    Put_long(b.data() + 16, r.Reserved2);
    return b;
}

void Own_format_reader::Write_head()
{
    if (!file_.file.Is_open()) return;
    std::memcpy(qsm_.Magic.data(), k_Own_magic, 4);
    const std::array<uint8_t, k_Own_head_size> b = Head_bytes(qsm_);
    if (!file_.file.Write_at(0, b.data(), b.size()))
        throw Run_time_error(err_Disk_full, "The recording's head could not be written");
}

bool Own_format_reader::Frame_place(int32_t f, int16_t s, int64_t& offset, size_t& length) const
{
    if (s < 1 || s > file_.num_streams || file_.frame_size <= 0) return false;
    offset = (int64_t(f) - 1) * file_.frame_size * file_.num_streams + qsm_.Data_offset +
             int64_t(s - 1) * file_.frame_size;
    length = std::min(file_.frame_buffer.size(), size_t(file_.frame_size));
    return true;
}

bool Own_format_reader::Read_frame(int32_t f, int16_t s) { return Read_placed_frame(f, s, s); }

bool Own_format_reader::Rewrite_frame()
{
    if (file_.frame_in_store <= 0 || file_.frame_position <= 0)
        throw Run_time_error(err_Invalid_argument, "No frame has been read to write back", "cls_AVI_handler");
    // Exactly the frame: the last frame never grows the file.
    const size_t n = std::min(file_.frame_buffer.size(), size_t(file_.frame_size));
    const int64_t at = file_.frame_position - 1;
    file_.Write_back(at, file_.frame_buffer.data(), n);
    return true;
}

bool Own_format_reader::Append_frame(std::span<const uint8_t> frame, int64_t& end)
{
    if (!file_.file.Is_open()) {
        if (!Open_file(false)) return false;
        if (!Read_head()) {
            file_.file.Close();
            return false;
        }
    }
    // After the last whole frame on disk, whatever the position was.
    const int64_t data = qsm_.Data_offset;
    const int64_t length = file_.file.Size();
    if (data <= 0 || length < data) throw Run_time_error(err_Bad_file_mode, "The recording has no frame area");
    const int64_t at = data + (length - data) / k_Frame * k_Frame;
    if (!file_.file.Write_at(at, frame.data(), size_t(k_Frame)))
        throw Run_time_error(err_Disk_full, "The frame could not be written (disk full?)");
    end = at + k_Frame;
    return true;
}

bool Own_format_reader::Write_header_text(const std::string& text)
{
    const bool opened_here = !file_.file.Is_open();
    if (opened_here) Open_head_for_writing();
    bool written = false;
    try {
        written = Header_fits(text, qsm_.Data_offset, file_.name, file_.problems);
        if (written) qsm_ = Write_header_bytes(file_.file, file_.name, qsm_, text, file_.problems);
    } catch (...) {
        if (opened_here) file_.file.Close();
        throw;
    }
    if (opened_here) file_.file.Close();
    return written;
}

Header_area Own_format_reader::Header_area_of(const platform::Byte_file& file) const { return Own_header_area(file); }

Header_area Own_format_reader::Own_header_area(const platform::Byte_file& file)
{
    uint8_t b[k_Own_head_size];
    int64_t end = k_Own_data_offset;
    // A head still being laid out (data offset 0) or damaged leaves the fixed area; a file whose
    // frames start sooner keeps them out of it.
    if (file.Read_exact(0, b, sizeof b) && std::memcmp(b, k_Own_magic, 4) == 0) {
        const int64_t data = Get_long(b + 4);
        if (data > k_Own_head_size && data < end) end = data;
    }
    return {Byte_range{0, end}};
}

// A closed recording is opened for the time of the write; its head tells where its frames start.
void Own_format_reader::Open_head_for_writing()
{
    if (Is_write_protected(file_.name)) throw Run_time_error(75, "The recording is read-only: " + file_.name);
    file_.Open_for_writing([this](const platform::Byte_file& f) { return Header_area_of(f); });
    uint8_t b[k_Own_head_size];
    if (!file_.file.Read_exact(0, b, sizeof b) || std::memcmp(b, k_Own_magic, 4) != 0) {
        file_.file.Close();
        throw Run_time_error(err_Bad_file_mode, "Not a Wakeline recording: " + file_.name);
    }
    qsm_.Data_offset = Get_long(b + 4);
}

bool Own_format_reader::Write_header_text_on(platform::Byte_file& file, const std::string& path, const std::string& text,
                                             Recording_problems& problems)
{
    uint8_t b[k_Own_head_size];
    if (!file.Read_exact(0, b, sizeof b) || std::memcmp(b, k_Own_magic, 4) != 0) return false;
    QSM_Header_Record head;
    head.Data_offset = Get_long(b + 4);
    head.Reserved1 = Get_long(b + 8);
    head.Reserved2 = Get_long(b + 16);
    if (!Header_fits(text, head.Data_offset, path, problems)) return false;
    Write_header_bytes(file, path, head, text, problems);
    return true;
}

// The text and its 100 zero bytes end before the end mark and before the first frame, wherever
// this file's frames start (a file laid out by another writer may keep a smaller header area).
bool Own_format_reader::Header_fits(const std::string& text, int64_t data_offset, const std::string& path,
                                    const Recording_problems& problems)
{
    const int64_t room =
        std::max<int64_t>(std::min<int64_t>(k_Max_XML_length, data_offset - k_Own_head_size - k_XML_padding), 0);
    if (int64_t(text.size()) <= room) return true;
    problems.Post({Recording_problem::Kind::header_too_long,
                   std::to_string(text.size()) + " bytes, at most " + std::to_string(room), path});
    return false;
}

// Text and head change together or not at all, whatever stops the write.
QSM_Header_Record Own_format_reader::Write_header_bytes(platform::Byte_file& file, const std::string& path,
                                                        QSM_Header_Record head, const std::string& text,
                                                        Recording_problems& problems)
{
    std::memcpy(head.Magic.data(), k_Own_magic, 4);
    head.XML_length = int32_t(text.size());
    Byte_patch body{k_Own_head_size, std::vector<uint8_t>(text.begin(), text.end())};
    body.bytes.resize(body.bytes.size() + k_XML_padding, 0);
    const std::array<uint8_t, k_Own_head_size> b = Head_bytes(head);
    Header_journal::Write(file, path, {body, Byte_patch{0, {b.begin(), b.end()}}}, Own_header_area(file), problems);
    return head;
}

} // namespace wk
