#pragma once
// The program's own recordings (qs1, qs2): a 20-byte head, the XML header in a fixed area, then
// DV frames of every stream in turn from the data offset on.
#include "recording/Own_format_head.h"
#include "recording/Recording_reader.h"

#include <array>

namespace wk {

class Own_format_reader final : public Recording_reader, public Own_format_head {
public:
    using Recording_reader::Recording_reader;

    bool Open() override;
    bool Read_frame(int32_t frame, int16_t stream) override;
    bool Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length) const override;
    bool Rewrite_frame() override;
    bool Allows_append() const override { return true; }
    bool Append_frame(std::span<const uint8_t> frame, int64_t& end) override;
    // Opens a closed file for the time of the write; the text and its 100 zero bytes stay in
    // the header area, before the end mark and before this file's first frame.
    bool Write_header_text(const std::string& text) override;
    // The head and the area up to the frames: the data offset on disk, never past the end mark's end.
    Header_area Header_area_of(const platform::Byte_file& file) const override;
    // One small write inside the header area, whose blocks the file has had since it was made;
    // the text keeps its length.
    bool Write_frame_count(int32_t count) override;

    bool Is_DV() const override { return true; }
    bool Has_XML_header() const override { return true; }
    bool Has_DV_header() const override { return true; }
    bool Keeps_extra_data() const override { return true; }
    bool Traces_read_with_fields() const override { return true; }
    bool Plays_fields() const override { return true; }
    Own_format_head* Own_head() override { return this; }

    // For a writer that holds the recording open itself (a capture's appender): the header text
    // written into file as Write_header_text writes it, and the count patched in place as
    // Write_frame_count patches it. Whatever the file's head says is checked first.
    static bool Write_header_text_on(platform::Byte_file& file, const std::string& path, const std::string& text,
                                     Recording_problems& problems);
    static bool Write_frame_count_on(platform::Byte_file& file, int32_t count);
    static Header_area Own_header_area(const platform::Byte_file& file);
    // The header text as it stands in file (with its trailing zeros); false when the head is bad.
    static bool Read_text_on_disk(const platform::Byte_file& file, std::string& text);

    // ---- Own_format_head ----
    bool Read_head() override;
    void Write_head() override;
    QSM_Header_Record& Head() override { return qsm_; }
    const QSM_Header_Record& Head() const override { return qsm_; }

private:
    static std::array<uint8_t, 20> Head_bytes(const QSM_Header_Record& r);
    void Recover_frames(int64_t on_disk);
    void Open_head_for_writing();
    static bool Header_fits(const std::string& text, int64_t data_offset, const std::string& path,
                            const Recording_problems& problems);
    static QSM_Header_Record Write_header_bytes(platform::Byte_file& file, const std::string& path,
                                                QSM_Header_Record head, const std::string& text,
                                                Recording_problems& problems);

    QSM_Header_Record qsm_;
};

} // namespace wk
