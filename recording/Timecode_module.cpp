#include "recording/Timecode_module.h"

#include "platform/State_reset.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace wk {

DV_Camera_Data_Record DV_Camera_Data;

namespace {

const platform::State_reset k_Forget_camera_data{[] { DV_Camera_Data = {}; }};

constexpr size_t k_Subcode = 80;  // two subcode blocks
constexpr size_t k_Vaux = 240;    // three VAUX blocks
constexpr size_t k_Block = 80;

std::string Two(int64_t v)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02lld", static_cast<long long>(v));
    return buf;
}

// Shortest decimal text of a number (a point as the decimal sign, whatever the locale).
std::string Number(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", v);
    return buf;
}

std::string AE_mode_name(int v)
{
    switch (v) {
    case 0: return "Fully automatic";
    case 1: return "Gain priority";
    case 2: return "Shutter priority";
    case 3: return "Iris priority";
    case 4: return "Manual";
    default: return "No information";
    }
}

std::string WB_mode_name(int v)
{
    switch (v) {
    case 0: return "auto";
    case 1: return "Hold";
    case 2: return "One Push";
    case 3: return "Preset";
    case 7: return "No Information";
    default: return "Invalid";
    }
}

std::string WB_name(int v)
{
    switch (v) {
    case 0: return "Candle";
    case 1: return "Incandescent lamp";
    case 2: return "Incandescent lamp (low temperature)";
    case 3: return "Incandescent lamp (high temperature)";
    case 4: return "Sunlight";
    case 5: return "Cloudiness";
    case 6: return "Others";
    default: return "No information";
    }
}

// One two-digit BCD field of a pack: the tens under tens_mask, the units in the low nibble.
void Bcd(uint8_t byte, uint8_t tens_mask, int16_t& tens, int16_t& units, int16_t& value)
{
    tens = int16_t((byte & tens_mask) >> 4);
    units = int16_t(byte & 0x0F);
    value = int16_t(tens * 10 + units);
}

void Vaux_pack(DV_Camera_Data_Record& d, const uint8_t* pc)
{
    switch (pc[0]) {
    case 0x60:
        d.Field_Count = (pc[3] & 0x20) ? 50 : 60;
        break;
    case 0x61:
        // The display select mode, the low three bits: 1 is 16:9 letterbox, 2 16:9 full format,
        // and 7 16:9 full format as consumer camcorders write it. The others are 4:3 and 14:9.
        d.Display_Mode = int16_t(pc[2] & 0x07);
        d.Wide_Flag = d.Display_Mode == 1 || d.Display_Mode == 2 || d.Display_Mode == 7 ? 1 : 0;
        break;
    case 0x62: {
        Bcd(pc[2], 0x30, d.Rec_Day_Tens, d.Rec_Day_Units, d.Rec_Day);
        Bcd(pc[3], 0x10, d.Rec_Month_Tens, d.Rec_Month_Units, d.Rec_Month);
        int16_t yy = 0;
        Bcd(pc[4], 0xF0, d.Rec_Year_Tens, d.Rec_Year_Units, yy);
        d.Rec_Year = int16_t(yy >= 40 ? 1900 + yy : 2000 + yy);
        break;
    }
    case 0x63:
        Bcd(pc[2], 0x70, d.Rec_Seconds_Tens, d.Rec_Seconds_Units, d.Rec_Seconds);
        Bcd(pc[3], 0x70, d.Rec_Minutes_Tens, d.Rec_Minutes_Units, d.Rec_Minutes);
        Bcd(pc[4], 0x30, d.Rec_Hours_Tens, d.Rec_Hours_Units, d.Rec_Hours);
        break;
    case 0x70: {
        d.Iris = int16_t(pc[1] & 0x3F);
        // Kept with one decimal, as the camera's f-stops are shown.
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04.1f", std::pow(2.0, double(d.Iris) / 8.0));
        d.F_Number = std::strtof(buf, nullptr);
        d.AE_Mode = int16_t((pc[2] >> 4) & 0x0F);
        d.AE_Text = AE_mode_name(d.AE_Mode);
        d.AGC = int16_t(pc[2] & 0x0F);
        d.WB_Mode = int16_t((pc[3] >> 5) & 0x07);
        d.WB_Mode_Text = WB_mode_name(d.WB_Mode);
        d.White_Balance = int16_t(pc[3] & 0x1F);
        d.WB_Text = WB_name(d.White_Balance);
        d.Focus_Manual = int16_t((pc[4] >> 7) & 1);
        d.Focus_Text = d.Focus_Manual ? "manual" : "auto";
        break;
    }
    case 0x71:
        if (pc[3] < 255) d.Focal_Length = pc[3];
        if (pc[4] < 255) d.Zoom = int16_t((pc[4] & 0x70) / 16);
        break;
    case 0x7F:
        // A 15-bit shutter value; 0 (and a value so large the speed rounds to 0) tells nothing.
        d.Shutter_Raw = (pc[4] & 0x7F) * 256 + pc[3];
        d.Shutter_Speed = d.Shutter_Raw > 0 ? float(std::nearbyint(15000.0 / double(d.Shutter_Raw))) : 0.0f;
        break;
    default:
        break;
    }
}

bool Timecode_valid(const DV_Camera_Data_Record& d)
{
    return d.TC_Found && d.TC_Hours < 25 && d.TC_Minutes < 60 && d.TC_Seconds < 60;
}

} // namespace

void DV_Header_Parse(std::span<const uint8_t> frame)
{
    try {
        Trace_Line("*DV_Header_Parse", static_cast<uint64_t>(reinterpret_cast<uintptr_t>(frame.data())));
        DV_Camera_Data = DV_Camera_Data_Record{};
        // Not a DV frame: nothing to tell. Stopping captures is the capture station's business.
        if (frame.size() < k_DV_Header_Bytes || frame[0] != 0x1F || frame[1] != 0x07) return;

        auto& d = DV_Camera_Data;
        // The header block's DSF bit: 0 for 525 lines at 60 fields, 1 for 625 at 50.
        d.Frames_Per_Second = (frame[3] & 0x80) != 0 ? 25 : 30;
        for (size_t b = 0; b < 3; ++b)
            for (size_t p = 0; p < 15; ++p) Vaux_pack(d, frame.data() + k_Vaux + k_Block * b + 3 + 5 * p);

        for (size_t s = 0; s < 2 && !d.TC_Found; ++s)
            for (size_t k = 0; k < 6 && !d.TC_Found; ++k) {
                const uint8_t* pc = frame.data() + k_Subcode + k_Block * s + 6 + 8 * k;
                if (pc[0] != 0x13) continue;
                d.TC_Found = true;
                d.TC_Drop_Frame = (pc[1] & 0x40) != 0;
                d.TC_Frame_Tens = int16_t((pc[1] & 0x30) / 16);
                d.TC_Frame_Units = int16_t(pc[1] & 0x0F);
                d.TC_Frames = int16_t(d.TC_Frame_Tens * 10 + d.TC_Frame_Units);
                d.TC_Sec_Tens = (pc[2] & 0x70) / 16;
                d.TC_Sec_Units = pc[2] & 0x0F;
                d.TC_Seconds = d.TC_Sec_Tens * 10 + d.TC_Sec_Units;
                d.TC_Min_Tens = (pc[3] & 0x70) / 16;
                d.TC_Min_Units = pc[3] & 0x0F;
                d.TC_Minutes = d.TC_Min_Tens * 10 + d.TC_Min_Units;
                d.TC_Hour_Tens = (pc[4] & 0x30) / 16;
                d.TC_Hour_Units = pc[4] & 0x0F;
                d.TC_Hours = d.TC_Hour_Tens * 10 + d.TC_Hour_Units;
            }
    } catch (...) {
        Report_current_exception("DV_Header_Parse of Module Timecode_module");
    }
}

std::string Rec_DateTime_Text()
{
    const auto& d = DV_Camera_Data;
    return std::to_string(d.Rec_Year) + "-" + Two(d.Rec_Month) + "-" + Two(d.Rec_Day) + " " + Two(d.Rec_Hours) + ":" +
           Two(d.Rec_Minutes) + ":" + Two(d.Rec_Seconds);
}

int16_t Get_Rec_Hours() { return DV_Camera_Data.Rec_Hours; }
int16_t Get_Rec_Minutes() { return DV_Camera_Data.Rec_Minutes; }

std::string Timecode_Frame_Text()
{
    const auto& d = DV_Camera_Data;
    if (!Timecode_valid(d)) return "No information";
    return Two(d.TC_Hours) + ":" + Two(d.TC_Minutes) + ":" + Two(d.TC_Seconds) + " frame: " + std::to_string(d.TC_Frames);
}

int32_t Timecode_To_Frames()
{
    const auto& d = DV_Camera_Data;
    if (!Timecode_valid(d)) return 0;
    if (d.Frames_Per_Second != 30) return ((d.TC_Hours * 60 + d.TC_Minutes) * 60 + d.TC_Seconds) * 25 + d.TC_Frames;
    const int32_t minutes = d.TC_Hours * 60 + d.TC_Minutes;
    int32_t n = (minutes * 60 + d.TC_Seconds) * 30 + d.TC_Frames;
    // Two frame numbers skipped in every minute but each tenth.
    if (d.TC_Drop_Frame) n -= 2 * (minutes - minutes / 10);
    return n;
}

bool Is_Wide() { return DV_Camera_Data.Wide_Flag > 0; }
std::string Focus_Mode_Text() { return DV_Camera_Data.Focus_Text; }

std::string Shutter_Text()
{
    if (DV_Camera_Data.Shutter_Speed <= 0) return "No information";
    return "1/" + Number(DV_Camera_Data.Shutter_Speed);
}

std::string White_Balance_Text()
{
    return "Wb mode = " + DV_Camera_Data.WB_Mode_Text + " ,Wb = " + DV_Camera_Data.WB_Text;
}

std::string Iris_Text() { return Number(DV_Camera_Data.F_Number); }
std::string AE_Mode_Text() { return DV_Camera_Data.AE_Text; }
std::string AGC_Text() { return Number(DV_Camera_Data.AGC); }
std::string Focal_Length_Text() { return DV_Camera_Data.Focal_Length >= 1 ? Number(DV_Camera_Data.Focal_Length) : "No info"; }
std::string Zoom_Text() { return DV_Camera_Data.Zoom >= 1 ? Number(DV_Camera_Data.Zoom) : "No info"; }
int16_t Field_System() { return DV_Camera_Data.Field_Count; }

std::string DV_Header_Summary()
{
    const std::string nl = "\r\n";
    return "Rec. date " + Rec_DateTime_Text() + nl + "Timecode: " + Timecode_Frame_Text() + nl + "Shutterspeed " +
           Shutter_Text() + nl + White_Balance_Text() + nl + "Iris = " + Iris_Text() + nl + "AE mode = " +
           AE_Mode_Text() + nl + "AGC = " + AGC_Text() + nl + "Focal length = " + Focal_Length_Text() + nl +
           "Zoom = " + Zoom_Text() + nl + "Focus mode = " + Focus_Mode_Text() + nl + "Wide 16:9 = " +
           (Is_Wide() ? "True" : "False");
}

} // namespace wk
