#include "results/Marathon_result_file.h"

#include "results/Marathon_published.h"

#include "platform/Byte_file.h"
#include "platform/Folders.h"
#include "services/Module_error.h"
#include "services/Module_utilities.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr const char* k_Close_location = "Command_close_Click of Form Frm_Wakeline_Marathon_settime";
constexpr const char* k_Open_location = "Check_For_Existing_Result_File of Form Frm_Wakeline_Marathon_settime";

std::string Two_digits(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

std::string Stamp(const platform::Local_time& t)
{
    return Two_digits(t.year) + Two_digits(t.month) + Two_digits(t.day) + Two_digits(t.hour) + Two_digits(t.minute) +
           Two_digits(t.second);
}

} // namespace

bool Move_file_no_replace(const std::string& from, const std::string& to, std::string& problem)
{
    const int error = platform::Rename_no_replace(from, to);
    if (error == 0) return true;
    problem = "cannot move " + from + " to " + to + ": " + std::strerror(error);
    return false;
}

std::string Move_to_unused_name(const std::string& from, const std::string& folder, const std::string& stem,
                                const std::string& suffix, std::string& problem)
{
    for (int n = 1; n < 1000; ++n) {
        const std::string to = platform::Join_path(folder, stem + (n > 1 ? "_" + std::to_string(n) : "") + suffix);
        const int error = platform::Rename_no_replace(from, to);
        if (error == 0) return to;
        if (error != EEXIST) {
            problem = "cannot move " + from + " to " + to + ": " + std::strerror(error);
            return "";
        }
    }
    problem = "no free name for " + stem + suffix + " in " + folder;
    return "";
}

Marathon_result_file::Marathon_result_file(std::string temp_path, std::string closed_folder)
    : temp_path_(std::move(temp_path)), closed_folder_(std::move(closed_folder))
{
}

bool Marathon_result_file::Readable_results() const
{
    const pugi::xml_document& d = doc_.Document();
    for (const char* path : {"/race/raceinfo/lastfile", "/race/heats", "/race/results"})
        if (!d.select_node(path)) return false;
    return true;
}

Marathon_result_file::Opened Marathon_result_file::Open(const Marathon_result_header& header, std::string& aside_path)
{
    aside_path.clear();
    if (!FileExists(temp_path_)) return Start_new(header) ? Opened::created : Opened::failed;
    if (doc_.Load_Existing_XML(temp_path_) && Readable_results()) {
        doc_.XML_Filename(temp_path_);
        return Opened::loaded;
    }
    // Kept for a look by hand: it may hold finishes that cannot be timed again.
    const fs::path temp(temp_path_);
    std::string problem;
    aside_path = Move_to_unused_name(temp_path_, temp.parent_path().string(),
                                     temp.stem().string() + "_unreadable_" + Stamp(platform::Get_clock().Now()),
                                     temp.extension().string(), problem);
    if (aside_path.empty()) {
        QSM_error_handler("The Marathon result file cannot be read and was left as it is: " + problem, 75, 0,
                          k_Open_location);
        doc_.Initialize_DOM();
        doc_.XML_Filename("");
        return Opened::failed;
    }
    return Start_new(header) ? Opened::set_aside : Opened::failed;
}

bool Marathon_result_file::Start_new(const Marathon_result_header& header)
{
    doc_.Initialize_DOM();
    doc_.XML_Filename(temp_path_);
    doc_.Capture_Host(header.capture_host);
    doc_.Backoffice_Host(header.backoffice_host);
    doc_.EventName(header.event);
    doc_.RaceType("marathon");
    doc_.Set_Comment(header.comment);
    return doc_.Serialize();
}

std::optional<Video_position> Marathon_result_file::Earlier_entry(const std::string& heat_id,
                                                                  const std::string& competitor) const
{
    Video_position at;
    doc_.Read_Competitor_node(heat_id, competitor, at.file, at.frame);
    if (at.file.empty()) return std::nullopt;
    return at;
}

bool Marathon_result_file::Add(const Marathon_entry& e)
{
    doc_.Create_Heat_node(e.heat_id, e.heat_name, e.start_time);
    doc_.Create_Result_Node(e.heat_id);
    doc_.Create_Competitor_Node(e.heat_id, e.competitor, e.elapsed, "", "", e.video_file, e.video_frame);
    return doc_.Serialize() && Published(e.heat_id);
}

bool Marathon_result_file::Override(const Marathon_entry& e)
{
    return doc_.Override_Competitor_Node(e.heat_id, e.competitor, e.elapsed, "", "", e.video_file, e.video_frame) &&
           Published(e.heat_id);
}

// The finish is kept whatever becomes of the results folder: its failure is told, not returned.
bool Marathon_result_file::Published(const std::string& heat_id) const
{
    if (const std::string problem = Publish_marathon_heat(doc_, heat_id); !problem.empty())
        QSM_error_handler("The marathon heat could not be written to the results folder: " + problem, 75, 0,
                          "Publish_marathon_heat of Class Module Marathon_result_file");
    return true;
}

std::string Marathon_result_file::Close(const platform::Local_time& now, const Marathon_result_header& next)
{
    doc_.lastFile("true");
    if (!doc_.Serialize()) {
        doc_.lastFile("false");
        return "";
    }
    std::string problem;
    const std::string closed =
        Move_to_unused_name(temp_path_, closed_folder_, "MarathonResults" + Stamp(now), " .xml", problem);
    if (closed.empty()) {
        // The file stays open under its temporary name, as it was before the close.
        doc_.lastFile("false");
        doc_.Serialize();
        QSM_error_handler("The Marathon result file could not be closed: " + problem, 75, 0, k_Close_location);
        return "";
    }
    Start_new(next);
    return closed;
}

} // namespace wk
