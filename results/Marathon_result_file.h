#pragma once
// The open marathon result file: a results document under a fixed temporary name that takes
// every finish as it is entered and is saved after each one, so that a restart picks it up
// again. Closing it gives it a dated name and starts the next one at once.
#include "platform/Clock.h"
#include "results/Class_Wakeline_result_XML.h"

#include <cstdint>
#include <optional>
#include <string>

namespace wk {

// The header of a new result file.
struct Marathon_result_header {
    std::string event, capture_host, backoffice_host, comment;
};

// One finish: the heat, the competitor, the time since the heat's start and where it is seen.
struct Marathon_entry {
    std::string heat_id, heat_name, start_time, competitor, elapsed, video_file, video_frame;
};

// A place in a recording: its path and field number.
struct Video_position {
    std::string file;
    int32_t frame = 0;
};

// Moves the file; false with problem set when it cannot, also when the target exists (it is
// never replaced).
bool Move_file_no_replace(const std::string& from, const std::string& to, std::string& problem);
// Moves the file to folder/stem + suffix, or to folder/stem_2 + suffix, _3 ... when that name is
// taken; an existing file is never replaced. The path it now has, or "" with problem set.
std::string Move_to_unused_name(const std::string& from, const std::string& folder, const std::string& stem,
                                const std::string& suffix, std::string& problem);

class Marathon_result_file {
public:
    enum class Opened { loaded, created, set_aside, failed };

    // The temporary file's path, and the folder closed files go to.
    Marathon_result_file(std::string temp_path, std::string closed_folder);

    // Takes up the temporary file when there is one. One that cannot be read as a results file
    // is moved aside (aside_path says where) and a new one started, so nothing overwrites it.
    // failed: it could not be moved or the new file not written (reported).
    Opened Open(const Marathon_result_header& header, std::string& aside_path);
    // A new, empty file under the temporary name, written at once; false after a reported failure.
    bool Start_new(const Marathon_result_header& header);

    int16_t Count() const { return doc_.Count_Competitor_Nodes(); }
    // Where the competitor's earlier finish in that heat is seen; nullopt when there is none.
    // Raises for an entry without its file or frame.
    std::optional<Video_position> Earlier_entry(const std::string& heat_id, const std::string& competitor) const;
    // Adds the finish (its heat and result when new) and saves; false when the save failed (the
    // entry stays in memory and is saved with the next one).
    bool Add(const Marathon_entry& entry);
    // Replaces the competitor's elapsed time, file and frame in the entry's heat and saves.
    bool Override(const Marathon_entry& entry);
    // Marks the file as the last, saves it, moves it to MarathonResults<yymmddhhmmss> .xml in the
    // closed folder (a free variant of that name when it is taken) and only then starts a new
    // one. The closed file's path; "" after a reported failure, with the open file kept as it was.
    std::string Close(const platform::Local_time& now, const Marathon_result_header& next);

    const std::string& Temp_path() const { return temp_path_; }
    const Class_Wakeline_result_XML& Document() const { return doc_; }

private:
    bool Readable_results() const;
    bool Published(const std::string& heat_id) const;

    Class_Wakeline_result_XML doc_;
    std::string temp_path_, closed_folder_;
};

} // namespace wk
