#pragma once
// What start-up met that the operator must hear of, as a value: the start-up window says it and,
// where the program cannot run, ends it.
#include <string>

namespace wk {

struct Startup_problem {
    enum class Kind { Ini_missing, Kit_version_wrong, Kit_unusable, No_dv_codec };
    Kind kind;
    std::string detail; // the library's own version text, for a wrong one

    // Whether the program cannot go on.
    bool Ends_program() const { return kind == Kind::Kit_unusable || kind == Kind::No_dv_codec; }
    // The operator's message.
    std::string Text() const;
};

} // namespace wk
