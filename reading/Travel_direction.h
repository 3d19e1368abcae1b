#pragma once
// Which way a lane's hull travels through its window, as a person sees it: from where its body's
// middle lies field after field and, where that cannot tell, from which way its bow moves.
#include <cstdint>
#include <functional>
#include <map>

namespace wk {

// middles: the hull's middle (u) in each field it was seen in, by field number. tips_along(d):
// the bow's distance past the line in each field, measured as if boats travelled along d (+1:
// +u, -1: -u). +1 or -1, or 0 when the hull is not seen moving.
int Travel_direction(const std::map<int64_t, double>& middles,
                     const std::function<std::map<int64_t, double>(int)>& tips_along);

} // namespace wk
