#pragma once
// The video streams of a recording as its header and its stream records hold them, the place of
// each camera in the file, and the selection of fields to play.
#include <array>
#include <cstdint>
#include <string>

namespace wk {

class Cls_XML_header;
class Recording_port;

class Stream_section {
public:
    explicit Stream_section(Recording_port& port) : port_(port) {}

    // The stream (1..5) that shows the camera at that position; 0 when none does.
    int16_t stream_from_pos(int16_t camera_pos) const;
    void Read_Stream_Info();
    void Let_Num_write_streams(int16_t streams);
    void Set_Multi_Stream_Size();
    int16_t Active_Streams();
    bool rotated() const;
    bool rotated(bool on);
    bool Stream_rotated(int16_t id);
    bool Stream_rotated(int16_t id, bool on);
    bool Set_stream_active(int16_t pos, bool on);
    bool pos_Active(int16_t pos);
    int16_t Camera_pos(int16_t stream);
    void Camera_pos(int16_t stream, int16_t value);
    void Stream_offset(int16_t id, int16_t value);
    int32_t Selection_start();
    void Selection_start(int32_t value);
    int32_t Selection_end();
    void Selection_end(int32_t value);
    bool Set_Start_frame();
    bool Set_End_frame();
    bool Clear_Start_Frame();
    bool Clear_End_Frame();
    // a bottom, b left, c right, d top.
    bool Set_Selrect_stream1(int16_t a, int16_t b, int16_t c, int16_t d);
    int16_t Pos_In_File(int16_t pos) const;
    // Kept for the older selection display; nothing sets them.
    bool has_selrect() const { return false; }
    int32_t SelRect_top() const { return 0; }
    int32_t SelRect_left() const { return 0; }
    int32_t SelRect_right() const { return 0; }
    int32_t SelRect_bottom() const { return 0; }
    int32_t SelRect_width() const { return 0; }
    int32_t Selrect_Height() const { return 0; }
    int32_t Front_View_Width() const { return 0; }
    int32_t Front_View_Height() const { return 0; }

private:
    Cls_XML_header& Header();
    void Set_sdv_selection(int16_t& field, int32_t value, const std::string& what);

    Recording_port& port_;
    int16_t num_write_streams_ = 1;
    std::array<int16_t, 7> pos_in_file_{};
    int16_t multi_width_ = 720;
    int16_t multi_height_ = 576;
};

} // namespace wk
