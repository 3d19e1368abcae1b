#pragma once
// The station's operator for the life of a test: it keeps what code below the windows tells,
// shows nothing and confirms nothing.
#include "services/Operator_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wk::test {

class Told_operator final : public Operator_port {
public:
    Told_operator() { Install_station_operator(this); }
    ~Told_operator() override { Install_station_operator(nullptr); }
    Told_operator(const Told_operator&) = delete;
    Told_operator& operator=(const Told_operator&) = delete;

    bool Exit_confirmed() override { return false; }
    std::optional<std::string> Event_name(const std::string&) override { return std::nullopt; }
    bool Override_confirmed() override { return false; }
    void Tell(const std::string& text) override { Notice(text, {}); }
    void Notice(const std::string& text, const std::string& title) override
    {
        told.push_back(text);
        titles.push_back(title);
    }

    // Whether a notice holding part was told.
    ::testing::AssertionResult Said(const std::string& part) const
    {
        std::string all;
        for (const std::string& text : told) {
            if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
            all += "\n  " + text;
        }
        return ::testing::AssertionFailure() << "no notice holding \"" << part << "\"; told:"
                                             << (all.empty() ? " nothing" : all);
    }

    // Every notice in order, and the title each came with.
    std::vector<std::string> told;
    std::vector<std::string> titles;
};

} // namespace wk::test
