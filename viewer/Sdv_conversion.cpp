#include "viewer/Sdv_conversion.h"

#include "platform/Byte_file.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_utilities.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr int32_t k_Frame = cls_AVI_handler::k_DV_frame_size;
constexpr int32_t k_Lane_table = 10;

void Add_problem(Sdv_conversion_result& result, const std::string& text)
{
    result.problem += (result.problem.empty() ? "" : "\r\n") + text;
}

// The header keeps goal-line ends and lane marks in 16 bits, the record in 32: a wider value is
// held to the nearest one the header can keep, so the race goes in whole and says so.
int32_t Storable_coordinate(int32_t v, bool& held)
{
    const int32_t c = std::clamp<int32_t>(v, INT16_MIN, INT16_MAX);
    held = held || c != v;
    return c;
}

DV_Header_Record Storable_race(DV_Header_Record r, Sdv_conversion_result& result)
{
    bool held = false;
    for (int32_t& v : r.Goal_line) v = Storable_coordinate(v, held);
    for (auto& lane : r.Lanes) {
        lane.X = Storable_coordinate(lane.X, held);
        lane.Y = Storable_coordinate(lane.Y, held);
    }
    // The lane table has ten entries; a larger count has no places to take.
    r.Lane_count = std::clamp<int32_t>(r.Lane_count, 0, k_Lane_table);
    if (held) Add_problem(result, "Goal line or lane marks outside -32768..32767 were held to that range.");
    return r;
}

// The race the record carries, into the new recording's header and onto the disk.
bool Take_race(cls_AVI_handler& rec, const DV_Header_Record& r)
{
    rec.Set_Goal_Line(r.Goal_line[0], r.Goal_line[1], r.Goal_line[2], r.Goal_line[3]);
    rec.rotated(true);
    rec.Show_goalline(true);
    rec.Header().Lanes_locked(true);
    rec.Lanes_flipped(r.Lanes_flipped != 0);
    const auto lanes = int16_t(r.Lane_count);
    rec.Num_Lanes(lanes);
    rec.Start_local_mill(1, r.Heat_start_local);
    rec.Heat_ID(1, "h99");
    rec.Header().Event_name(Bytes_To_String(r.Event_name));
    rec.Capture_time(Bytes_To_String(r.Capture_time));
    for (int16_t lane = 1; lane <= lanes; ++lane)
        rec.File_Lane_Pos(lane, r.Lanes[size_t(lane - 1)].X, r.Lanes[size_t(lane - 1)].Y);
    return rec.Write_XML_header();
}

// A new recording that opens with the race before any frame is in it.
bool Start_recording(cls_AVI_handler& rec, const std::string& path, const DV_Header_Record& race)
{
    rec.File_name(path);
    if (!rec.Create_File()) return false;
    rec.Initiate_file();
    return rec.File_Initiated() && Take_race(rec, race);
}

// Every whole frame after the record. A frame that is not DV ends the copy with the frames before
// it kept; false when a frame could not be written.
bool Copy_frames(const platform::Byte_file& source, int64_t first, cls_AVI_handler& rec, Sdv_conversion_result& result)
{
    std::vector<uint8_t> frame(static_cast<size_t>(k_Frame));
    for (int64_t at = first;; at += k_Frame) {
        if (!source.Read_exact(at, frame.data(), frame.size())) return true; // a partial frame is left out
        const std::string which = "Frame " + std::to_string(result.frames + 1);
        if (!Starts_with_DV_header(frame)) {
            Add_problem(result, which + " is not a DV frame; the conversion stopped there.");
            return true;
        }
        if (!rec.Append_DV_frame(frame)) {
            Add_problem(result, which + " could not be written.");
            return false;
        }
        ++result.frames;
    }
}

// What was written opens as a recording of that many frames.
bool Opens_whole(const std::string& path, int32_t frames)
{
    cls_AVI_handler check;
    return check.Open_File(path) && check.num_frames() == frames;
}

// The new recording is made under this name beside its destination and takes the destination's
// name only once it is whole, so a conversion that breaks off leaves no recording posing as one.
std::string Passing_name(const std::string& destination)
{
    const fs::path p(destination);
    return (p.parent_path() / (p.stem().string() + ".converting.qs2")).string();
}

bool Read_record(const platform::Byte_file& source, DV_Header_Record& record)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(DV_Header_Record::k_Size));
    return source.Read_exact(0, bytes.data(), bytes.size()) && record.From_bytes(bytes);
}

// Writes the new recording under the passing name; false (the problem said) when it is not whole.
bool Write_recording(const platform::Byte_file& source, const DV_Header_Record& record, const std::string& path,
                     Sdv_conversion_result& result)
{
    const DV_Header_Record race = Storable_race(record, result);
    cls_AVI_handler rec;
    const auto told = [&] {
        for (const Recording_problem& problem : rec.Take_problems()) Add_problem(result, problem.Text());
    };
    if (!Start_recording(rec, path, race)) {
        told();
        Add_problem(result, "The new recording could not be started.");
        return false;
    }
    const bool copied = Copy_frames(source, record.Record_size, rec, result);
    rec.Close_File();
    told();
    if (copied && !Opens_whole(path, result.frames)) {
        Add_problem(result, "The new recording did not read back whole.");
        return false;
    }
    return copied;
}

} // namespace

std::string Converted_file_name(const std::string& sdv_path)
{
    return fs::path(sdv_path).replace_extension(".qs2").string();
}

Sdv_conversion_result Convert_sdv_recording(const std::string& sdv_path, const std::string& destination)
{
    Sdv_conversion_result result;
    platform::Byte_file source;
    int error = 0;
    if (!source.Open(sdv_path, platform::Raw_file::Mode::Read, error)) {
        result.problem = "The recording " + sdv_path + " cannot be read.";
        return result;
    }
    DV_Header_Record record;
    if (!Read_record(source, record)) {
        result.problem = "The recording " + sdv_path + " has no valid DV header record.";
        return result;
    }
    const std::string passing = Passing_name(destination);
    try {
        // A passing file is only ever left by a conversion that was cut off.
        if (!Delete_File(passing, true)) throw std::runtime_error("The old " + passing + " could not be removed.");
        if (Write_recording(source, record, passing, result)) {
            std::error_code ec;
            fs::rename(passing, destination, ec);
            result.written = !ec;
            if (ec) Add_problem(result, "It could not be named " + destination + ": " + ec.message());
        }
    } catch (const std::exception& e) {
        Add_problem(result, e.what());
    }
    if (!result.written) {
        Delete_File(passing, true);
        result.frames = 0;
        result.problem = "Nothing was converted into " + destination + ".\r\n" + result.problem;
    }
    return result;
}

} // namespace wk
