#include "recording/Recording_problem.h"

#include "recording/Header_journal.h"
#include "services/Module_qsm_Globals.h"

#include <algorithm>
#include <cstring>

namespace wk {

std::string Recording_problem::Text() const
{
    using K = Kind;
    switch (kind) {
    case K::invalid_length: return "Corrupt file, (Invalid file length)";
    case K::not_recording_kind: return "cls_AVI_handler can't open this file type! " + path;
    case K::corrupt: return "Corrupt file, (" + detail + ")\r\n" + path;
    case K::open_error: return "File: " + path + " Open error! \r\n" + detail;
    case K::permission_denied: return "Permission denied!";
    case K::create_error: return "File: " + path + " could not be created! \r\n" + detail;
    case K::file_exists: return "File already exists!";
    case K::new_file_exists: return "New file already exists!";
    case K::not_renamed: return "The file could not be renamed: " + detail;
    case K::append_refused: return "Frames are appended to Wakeline recordings (.qs2) only: " + path;
    case K::no_index: return "File: " + path + " " + g_Edition_text + "  found no AVI index! ";
    case K::empty_file: return "GET_AVI_Indexes, empty file!";
    case K::index_refused:
    case K::index_rebuilt: return "File: " + path + "  " + detail;
    case K::frames_recovered: return detail + " frames past the recorded count were recovered";
    case K::count_not_stored: return "The recovered frame count could not be stored: " + detail;
    case K::header_too_long:
        return "The recording's header is too long to be stored (" + detail + "); the file keeps its header.";
    case K::read_only: return "File is Read Only!";
    case K::riff_continues:
        return "The AVI file continues after its RIFF chunk (a large recording); no header chunk is added to it.\r\n" +
               path;
    case K::too_large_for_chunk: return "The AVI file is too large for a header chunk.\r\n" + path;
    case K::text_overflow: return "Text buffer overflow at rewrite!";
    case K::on_cd_rom: return "AVI file is on CD-ROM!";
    case K::avi_read_only: return "AVI file is read only";
    case K::access_error: return "Access error!";
    case K::parse_error: return detail + "0ReadFile of Class Module clsAVIInfo";
    case K::read_test: return detail;
    case K::record_missing: return "SSCD fail";
    case K::journal_set_aside:
    case K::journal_kept: return Journal_text();
    }
    return detail;
}

std::string Recording_problem::Journal_text() const
{
    const std::string where =
        kind == Kind::journal_set_aside
            ? "It was moved to " + Header_journal::Rejected_name(path) + "."
            : "It could not be moved aside" + (error ? std::string(": ") + std::strerror(error) : std::string()) +
                  " and stays where it is.";
    return "The recording " + path + " was opened without its header journal " + Header_journal::Journal_name(path) +
           ": " + detail + ". The journal was not used and the recording was not changed. " + where;
}

void Recording_problems::Post(Recording_problem problem) const
{
    if (handler_) handler_(problem);
    else kept_.push_back(std::move(problem));
}

std::vector<Recording_problem> Recording_problems::Take()
{
    std::vector<Recording_problem> taken;
    taken.swap(kept_);
    return taken;
}

bool Recording_outcome::Has(Recording_problem::Kind kind) const
{
    return std::any_of(problems.begin(), problems.end(), [kind](const Recording_problem& p) { return p.kind == kind; });
}

std::string Problems_text(const std::vector<Recording_problem>& problems)
{
    std::string text;
    for (const Recording_problem& p : problems) text += (text.empty() ? "" : "\r\n") + p.Text();
    return text;
}

} // namespace wk
