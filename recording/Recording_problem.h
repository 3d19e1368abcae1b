#pragma once
// What went wrong with a recording file, as a value: a kind and its detail, the way a demuxer
// hands back an error code. Readers post it and return false; whoever called decides what the
// operator sees. Text() is the operator's message for it, made here alone.
#include <functional>
#include <string>
#include <vector>

namespace wk {

struct Recording_problem {
    enum class Kind {
        invalid_length,      // too short to be any recording
        not_recording_kind,  // a suffix no reader opens
        corrupt,             // detail: what is wrong
        open_error,          // detail: the error
        permission_denied,
        create_error,        // detail: the error
        file_exists,
        new_file_exists,     // the name a rename wants
        not_renamed,         // detail: the error
        append_refused,      // frames are appended to the own format only
        no_index,            // an AVI without a usable index
        empty_file,          // an AVI index read in an empty file
        index_refused,       // detail: what is wrong with the AVI index
        index_rebuilt,       // detail: how the index was rebuilt (a notice)
        frames_recovered,    // detail: how many (a notice)
        count_not_stored,    // detail: the error
        header_too_long,     // detail: the sizes
        read_only,           // an AVI header chunk in a read-only file
        riff_continues,      // an AVI past its RIFF chunk takes no header chunk
        too_large_for_chunk,
        text_overflow,       // a text longer than its chunk
        on_cd_rom,
        avi_read_only,       // text rewritten into a read-only AVI
        access_error,        // the AVI parser could not read the file
        parse_error,         // detail: what the AVI parser raised
        read_test,           // detail: the result of a read timing (a notice)
        record_missing,      // a frame without the capture station's record, written anyway
        journal_set_aside,   // detail: why a header journal was not used; it was moved aside
        journal_kept,        // detail: why, error: why it could not be moved aside
    };
    Kind kind;
    std::string detail;
    std::string path;
    // The system's error number, where one caused it.
    int error = 0;

    std::string Text() const;

private:
    std::string Journal_text() const;
};

// Where problems are posted: kept in order for whoever called (a window, a tool, a test), or
// passed on to another owner's problems.
class Recording_problems {
public:
    using Handler = std::function<void(const Recording_problem&)>;
    // Passes every problem on instead of keeping it (a part that reports to its owner).
    void Handle_with(Handler handler) { handler_ = std::move(handler); }
    // Posting leaves what it is posted about as it was: a const owner posts too.
    void Post(Recording_problem problem) const;
    // The problems kept so far; they are forgotten.
    std::vector<Recording_problem> Take();

private:
    Handler handler_;
    mutable std::vector<Recording_problem> kept_;
};

// The problems' messages, one a line; "" when there were none.
std::string Problems_text(const std::vector<Recording_problem>& problems);

// What an operation on a recording came to: whether it did it, and every problem met on the
// way, oldest first (what refused it last, or notices of what was repaired). The caller decides
// what of it the operator sees.
struct Recording_outcome {
    bool done = false;
    std::vector<Recording_problem> problems;

    explicit operator bool() const { return done; }
    bool Has(Recording_problem::Kind kind) const;
    std::string Text() const { return Problems_text(problems); }
};

} // namespace wk
