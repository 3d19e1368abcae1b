#pragma once
// The desktop's screen-saver service as a test sees it: counts inhibits, hands out cookies from
// 41 on and keeps the cookies released.
#include "platform/Screen_saver.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wk::test {

class Fake_screen_saver final : public platform::Screen_saver_service {
public:
    std::optional<uint32_t> Inhibit(const std::string&, const std::string&) override
    {
        ++inhibits;
        held = next;
        return next++;
    }
    void UnInhibit(uint32_t cookie) override { released.push_back(cookie); }
    int inhibits = 0;
    uint32_t next = 41, held = 0;
    std::vector<uint32_t> released;
};

} // namespace wk::test
