#pragma once
// The middle of a list of values, which it reorders: for an even count the upper of the two
// middle ones, a value the list holds. The list must not be empty.
#include <algorithm>
#include <cstddef>
#include <vector>

namespace wk {

template <class T> T Middle_value(std::vector<T>& v)
{
    const auto mid = v.begin() + std::ptrdiff_t(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

} // namespace wk
