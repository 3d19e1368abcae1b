#include "comlite/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace wk::com {
namespace {

constexpr size_t k_prefix = sizeof(uint32_t);

} // namespace

BSTR Sys_alloc_string(std::string_view text)
{
    if (text.size() > std::numeric_limits<uint32_t>::max() - k_prefix - 1) return nullptr;
    auto* block = static_cast<char*>(std::malloc(k_prefix + text.size() + 1));
    if (!block) return nullptr;
    const auto length = uint32_t(text.size());
    std::memcpy(block, &length, k_prefix);
    if (!text.empty()) std::memcpy(block + k_prefix, text.data(), text.size());
    block[k_prefix + text.size()] = '\0';
    return block + k_prefix;
}

void Sys_free_string(BSTR b)
{
    if (b) std::free(b - k_prefix);
}

uint32_t Sys_string_len(const char* b)
{
    if (!b) return 0;
    uint32_t length;
    std::memcpy(&length, b - k_prefix, k_prefix);
    return length;
}

} // namespace wk::com
