#pragma once
// The camera data a DV camcorder writes into every frame: the subcode time code and the VAUX
// packs (recording date and time, 50/60 fields, wide screen, exposure, white balance, focus,
// focal length, zoom, shutter). DV_Header_Parse fills the one program-wide record from the
// first DIF sequence of a frame; the text functions format its fields.
#include <cstdint>
#include <span>
#include <string>

namespace wk {

struct DV_Camera_Data_Record {
    // Time code (pack 0x13).
    int32_t TC_Sec_Tens = 0, TC_Sec_Units = 0, TC_Min_Tens = 0, TC_Min_Units = 0;
    int32_t TC_Hour_Tens = 0, TC_Hour_Units = 0;
    int32_t TC_Hours = 0, TC_Minutes = 0, TC_Seconds = 0;
    int16_t TC_Frame_Tens = 0, TC_Frame_Units = 0, TC_Frames = 0;
    bool TC_Found = false;
    // The pack's drop-frame flag: NTSC time codes that skip frames 0 and 1 of every minute but
    // every tenth, so that they keep up with 29.97 frames a second.
    bool TC_Drop_Frame = false;
    // Frames a second of the frame's system, from its header block: 30 for 525 lines (NTSC),
    // 25 for 625 (PAL).
    int16_t Frames_Per_Second = 0;
    // Source (0x60) and source control (0x61).
    int16_t Field_Count = 0;
    // 1 when the display mode of the source control pack is one of 16:9 (letterbox or full).
    int16_t Wide_Flag = 0;
    int16_t Display_Mode = 0;
    // Recording date (0x62) and time (0x63).
    int16_t Rec_Day_Tens = 0, Rec_Day_Units = 0, Rec_Day = 0;
    int16_t Rec_Month_Tens = 0, Rec_Month_Units = 0, Rec_Month = 0;
    int16_t Rec_Year_Tens = 0, Rec_Year_Units = 0, Rec_Year = 0;
    int16_t Rec_Hours_Tens = 0, Rec_Hours_Units = 0, Rec_Hours = 0;
    int16_t Rec_Minutes_Tens = 0, Rec_Minutes_Units = 0, Rec_Minutes = 0;
    int16_t Rec_Seconds_Tens = 0, Rec_Seconds_Units = 0, Rec_Seconds = 0;
    // Consumer camera 1 (0x70).
    int16_t Iris = 0;
    float F_Number = 0;
    int16_t AE_Mode = 0;
    std::string AE_Text;
    int16_t AGC = 0;
    int16_t WB_Mode = 0;
    std::string WB_Mode_Text;
    int16_t White_Balance = 0;
    std::string WB_Text;
    int16_t Focus_Manual = 0;
    std::string Focus_Text;
    // Consumer camera 2 (0x71).
    int16_t Focal_Length = 0;
    int16_t Zoom = 0;
    // Shutter (maker pack 0x7F); 0 when the frame tells nothing.
    int32_t Shutter_Raw = 0;
    float Shutter_Speed = 0;
};

// The last parsed frame's camera data, whoever parsed it.
extern DV_Camera_Data_Record DV_Camera_Data;

// Parses the header, subcode and VAUX blocks (first 480 bytes) of a DV frame. An empty span
// clears the record; so does a buffer that is not a DV frame (too short, or not starting with
// the DV header block), which then reports no information.
void DV_Header_Parse(std::span<const uint8_t> frame);

// Bytes of the frame that the parse reads.
inline constexpr size_t k_DV_Header_Bytes = 480;

std::string Rec_DateTime_Text();
// What the viewer shows as the camera's time: the recording date and time of the last parsed frame.
inline std::string Timecode_Text() { return Rec_DateTime_Text(); }
int16_t Get_Rec_Hours();
int16_t Get_Rec_Minutes();
// "hh:mm:ss frame: f", or "No information" when the frame had no valid time code.
std::string Timecode_Frame_Text();
// Frames since midnight at the frame's own rate (25 for PAL, 30 for NTSC, counting the frames
// a drop-frame time code skips as not there); 0 without a valid time code.
int32_t Timecode_To_Frames();
bool Is_Wide();
std::string Focus_Mode_Text();
std::string Shutter_Text();
std::string White_Balance_Text();
std::string Iris_Text();
std::string AE_Mode_Text();
std::string AGC_Text();
std::string Focal_Length_Text();
std::string Zoom_Text();
int16_t Field_System();
std::string DV_Header_Summary();

} // namespace wk
