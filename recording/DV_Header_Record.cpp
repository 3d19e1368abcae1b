#include "recording/DV_Header_Record.h"

#include "recording/Recording_bytes.h"

#include <cstring>

namespace wk {

using namespace recording_bytes;

std::vector<uint8_t> DV_Header_Record::To_bytes() const
{
    std::vector<uint8_t> b(size_t(k_Size), 0);
    std::memcpy(b.data(), Tag.data(), 4);
    Put_long(&b[4], Record_size);
    Put_long(&b[8], Stream_count);
    Put_long(&b[12], Frame_count);
    Put_integer(&b[16], Flag);
    Put_integer(&b[18], Selection_start);
    Put_integer(&b[20], Selection_end);
    std::memcpy(&b[22], "HEID", 4);
    for (size_t h = 0; h < Heats.size(); ++h) {
        uint8_t* e = &b[26 + h * 40];
        std::memcpy(e, Heats[h].Heat_ID.data(), 32);
        Put_long(e + 32, Heats[h].Heat_start);
        Put_long(e + 36, Heats[h].Start_correction);
    }
    Put_long(&b[186], First_hit);
    Put_integer(&b[190], First_boat);
    for (size_t i = 0; i < Goal_line.size(); ++i) Put_long(&b[192 + 4 * i], Goal_line[i]);
    Put_integer(&b[208], Lanes_flipped);
    Put_long(&b[210], Lane_count);
    Put_long(&b[214], Heat_start_local);
    std::memcpy(&b[218], Event_name.data(), Event_name.size());
    std::memcpy(&b[282], Capture_time.data(), Capture_time.size());
    for (size_t i = 0; i < Lanes.size(); ++i) {
        Put_long(&b[314 + 8 * i], Lanes[i].X);
        Put_long(&b[318 + 8 * i], Lanes[i].Y);
    }
    return b;
}

bool DV_Header_Record::From_bytes(std::span<const uint8_t> b)
{
    if (b.size() < 192 || std::memcmp(b.data(), "BXDV", 4) != 0) return false;
    std::memcpy(Tag.data(), b.data(), 4);
    Record_size = Get_long(&b[4]);
    Stream_count = Get_long(&b[8]);
    Frame_count = Get_long(&b[12]);
    Flag = Get_integer(&b[16]);
    Selection_start = Get_integer(&b[18]);
    Selection_end = Get_integer(&b[20]);
    for (size_t h = 0; h < Heats.size(); ++h) {
        const uint8_t* e = &b[26 + h * 40];
        std::memcpy(Heats[h].Heat_ID.data(), e, 32);
        Heats[h].Heat_start = Get_long(e + 32);
        Heats[h].Start_correction = Get_long(e + 36);
    }
    First_hit = Get_long(&b[186]);
    First_boat = Get_integer(&b[190]);
    if (b.size() >= 394) {
        for (size_t i = 0; i < Goal_line.size(); ++i) Goal_line[i] = Get_long(&b[192 + 4 * i]);
        Lanes_flipped = Get_integer(&b[208]);
        Lane_count = Get_long(&b[210]);
        Heat_start_local = Get_long(&b[214]);
        std::memcpy(Event_name.data(), &b[218], Event_name.size());
        std::memcpy(Capture_time.data(), &b[282], Capture_time.size());
        for (size_t i = 0; i < Lanes.size(); ++i) Lanes[i] = {Get_long(&b[314 + 8 * i]), Get_long(&b[318 + 8 * i])};
    }
    return Record_size == k_Size;
}

} // namespace wk
