#include "capture_server/Server_text.h"

#include <algorithm>
#include <limits>

namespace wk {

int32_t Leading_integer(std::string_view text)
{
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    int64_t value = 0;
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min(value * 10 + (text[at] - '0'), limit);
    value = negative ? -value : std::min(value, limit - 1);
    return int32_t(value);
}

std::string Lower_ascii(std::string_view text)
{
    std::string s(text);
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

} // namespace wk
