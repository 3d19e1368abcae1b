#include "viewer/Sdv_conversion.h"

#include "platform/Raw_file.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_utilities.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace wk {
namespace {

constexpr int32_t k_Frame = cls_AVI_handler::k_DV_frame_size;
constexpr int32_t k_Lane_table = 10;

// The race the record carries, into the new recording's header.
void Take_race(cls_AVI_handler& rec, const DV_Header_Record& r)
{
    rec.Set_Goal_Line(r.Goal_line[0], r.Goal_line[1], r.Goal_line[2], r.Goal_line[3]);
    rec.rotated(true);
    rec.Show_goalline(true);
    rec.Lanes_locked(true);
    rec.Lanes_flipped(r.Lanes_flipped != 0);
    // The record's lane table has ten entries; a larger count has no places to take.
    const int16_t lanes = int16_t(std::clamp<int32_t>(r.Lane_count, 0, k_Lane_table));
    rec.Num_Lanes(lanes);
    rec.Start_local_mill(1, r.Heat_start_local);
    rec.Heat_ID(1, "h99");
    rec.Event_name(Bytes_To_String(r.Event_name));
    rec.Capture_time(Bytes_To_String(r.Capture_time));
    for (int16_t lane = 1; lane <= lanes; ++lane)
        rec.File_Lane_Pos(lane, r.Lanes[size_t(lane - 1)].X, r.Lanes[size_t(lane - 1)].Y);
}

} // namespace

std::string Converted_file_name(const std::string& sdv_path)
{
    return std::filesystem::path(sdv_path).replace_extension(".qs2").string();
}

Sdv_conversion_result Convert_sdv_recording(const std::string& sdv_path, const std::string& destination)
{
    Sdv_conversion_result result;
    platform::Raw_file source;
    int error = 0;
    if (!source.Open(sdv_path, platform::Raw_file::Mode::Read, error)) {
        result.problem = "The recording " + sdv_path + " cannot be read.";
        return result;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(DV_Header_Record::k_Size));
    DV_Header_Record record;
    if (!source.Read_exact(0, bytes.data(), bytes.size()) || !record.From_bytes(bytes)) {
        result.problem = "The recording " + sdv_path + " has no valid DV header record.";
        return result;
    }
    cls_AVI_handler rec;
    rec.File_name(destination);
    if (!rec.Create_File()) {
        result.problem = "The recording " + destination + " cannot be created.";
        return result;
    }
    rec.Initiate_file();
    rec.Write_QSM_header();
    std::vector<uint8_t> frame(static_cast<size_t>(k_Frame));
    for (int64_t at = record.Record_size;; at += k_Frame) {
        if (!source.Read_exact(at, frame.data(), frame.size())) break; // a partial frame is left out
        if (!Starts_with_DV_header(frame)) {
            result.problem = "Frame " + std::to_string(result.frames + 1) + " is not a DV frame; the conversion stopped there.";
            break;
        }
        if (!rec.Append_DV_frame(frame)) {
            result.problem = "Frame " + std::to_string(result.frames + 1) + " could not be written.";
            break;
        }
        ++result.frames;
    }
    source.Close();
    Take_race(rec, record);
    rec.Close_File();
    result.written = true;
    return result;
}

} // namespace wk
