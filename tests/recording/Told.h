#pragma once
// What a recording tells its caller: the checks of the problems an operation returns, by kind,
// and by the operator's message where the words are the point.
#include "recording/Recording_problem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wk::test {

// Whether one of the problems is of the kind and its message holds text.
inline ::testing::AssertionResult Told(const std::vector<Recording_problem>& problems, Recording_problem::Kind kind,
                                       const std::string& text = {})
{
    std::string said;
    for (const Recording_problem& p : problems) {
        if (p.kind == kind && p.Text().find(text) != std::string::npos) return ::testing::AssertionSuccess();
        said += "\n  [" + std::to_string(int(p.kind)) + "] " + p.Text();
    }
    return ::testing::AssertionFailure() << "no problem of kind " << int(kind) << " saying \"" << text
                                         << "\"; told:" << (said.empty() ? " nothing" : said);
}

inline ::testing::AssertionResult Told(const Recording_outcome& outcome, Recording_problem::Kind kind,
                                       const std::string& text = {})
{
    return Told(outcome.problems, kind, text);
}

} // namespace wk::test
