#pragma once
// The tolvex section that the sibling timing product writes into a recording's XML header, as the
// recording object offers it: forwarded to the header in memory (Write_XML_header stores it).
#include <cstdint>
#include <string>

namespace wk {

class Cls_XML_header;
class Recording_port;

class Tolvex_section {
public:
    explicit Tolvex_section(Recording_port& port) : port_(port) {}

    // The tolvex section written by the sibling timing product, in memory only. A header
    // without the section raises (a failed write reaches the caller and stops nothing) except
    // where a default is named. Boxes are 1..8.
    int32_t Tolv_start_PC_mill();
    void Tolv_start_PC_mill(int32_t value);
    // The header's goal offset; a header offset of 0 gives way to the current frame's own
    // positive goal offset.
    std::string Tolv_Goal_compensation();
    void Tolv_Goal_compensation(const std::string& value);
    std::string Tolv_Split_compensation();
    void Tolv_Split_compensation(const std::string& value);
    void Tolv_split_firewire_ID(const std::string& value);
    void Tolv_goal_firewire_ID(const std::string& value);
    void Phidget_serial(const std::string& value);
    int32_t Tolv_Heat_time(int16_t box, bool split);
    void Tolv_Heat_time(int16_t box, bool split, int32_t time);

private:
    Cls_XML_header& Header();

    Recording_port& port_;
};

} // namespace wk
