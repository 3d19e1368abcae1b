// The marathon windows as the viewer reaches them: installed by a test, or made by the program.
#include "results/Marathon_times.h"

namespace wk {
namespace {

std::function<Marathon_times*(bool)>& Maker()
{
    static std::function<Marathon_times*(bool)> maker;
    return maker;
}

} // namespace

void Install_marathon_times_maker(std::function<Marathon_times*(bool make)> maker) { Maker() = std::move(maker); }

Marathon_times* Marathon_windows(bool make)
{
    if (Marathon_times* installed = Marathon_times_port()) return installed;
    return Maker() ? Maker()(make) : nullptr;
}

} // namespace wk
