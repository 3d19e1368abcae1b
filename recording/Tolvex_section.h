#pragma once
// The tolvex section that the sibling timing product writes into a recording's XML header, as the
// recording object offers it: forwarded to the header in memory (Write_XML_header stores it).
#include <cstdint>
#include <string>

namespace wk {

class Cls_XML_header;

class Tolvex_section {
public:
    // The tolvex section written by the sibling timing product, in memory only. A header
    // without the section raises (a failed write reaches the caller and stops nothing) except
    // where a default is named. Boxes are 1..8.
    std::string Tolv_event();
    void Tolv_event(const std::string& value);
    std::string Tolv_Heat_ID();
    void Tolv_Heat_ID(const std::string& value);
    std::string Tolv_Heat_Name();
    void Tolv_Heat_Name(const std::string& value);
    std::string Tolv_Heat_Length(); // "" when missing
    void Tolv_Heat_Length(const std::string& value);
    std::string Tolv_start_DateTime();
    void Tolv_start_DateTime(const std::string& value);
    int32_t Tolv_start_PC_mill();
    void Tolv_start_PC_mill(int32_t value);
    std::string Tolv_goal_finish();
    void Tolv_goal_finish(const std::string& value);
    std::string Tolv_goal_split();
    void Tolv_goal_split(const std::string& value);
    // The header's goal offset; a header offset of 0 gives way to the current frame's own
    // positive goal offset.
    std::string Tolv_Goal_compensation();
    void Tolv_Goal_compensation(const std::string& value);
    std::string Tolv_Split_compensation();
    void Tolv_Split_compensation(const std::string& value);
    std::string Tolv_Box_delay(); // "0" when missing
    void Tolv_Box_delay(const std::string& value);
    void Tolv_split_firewire_ID(const std::string& value);
    void Tolv_goal_firewire_ID(const std::string& value);
    void Phidget_serial(const std::string& value);
    std::string Tolv_Dog_name(int16_t box);
    void Tolv_Dog_name(int16_t box, const std::string& value);
    bool Tolv_dead_heat(int16_t box); // False when missing
    void Tolv_dead_heat(int16_t box, bool value);
    int32_t Tolv_Heat_time(int16_t box, bool split);
    void Tolv_Heat_time(int16_t box, bool split, int32_t time);
    int32_t Tolv_Heat_Click_Time(int16_t box); // 0 when missing
    void Tolv_Heat_Click_Time(int16_t box, int32_t value);
    int32_t Tolv_heat_frame(int16_t box);
    void Tolv_heat_frame(int16_t box, int32_t value);
    int32_t Tolv_split_frame(int16_t box);
    void Tolv_split_frame(int16_t box, int32_t value);

protected:
    ~Tolvex_section() = default;

private:
    // The recording's header, made on first use.
    virtual Cls_XML_header& Tolvex_header() = 0;
    // The goal offset the capture station measured for the current frame; 0 when it has none.
    virtual int16_t Frame_goal_offset() const = 0;
};

} // namespace wk
