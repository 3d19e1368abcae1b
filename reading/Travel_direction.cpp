#include "reading/Travel_direction.h"

#include "reading/Middle_value.h"

#include <algorithm>
#include <vector>

namespace wk {
namespace {

int Sign(double x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }

// The drift of a line through all the middles.
int Drift(const std::map<int64_t, double>& middles)
{
    double st = 0, su = 0, stt = 0, stu = 0, n = 0;
    for (const auto& [f, u] : middles) {
        const double t = double(f);
        st += t, su += u, stt += t * t, stu += t * u, n += 1;
    }
    return Sign(n * stu - st * su);
}

// Most of the steps between fields of the same parity: the two parities' rows lie apart across a
// slanted line and the hull, which a step to the next field would take for travel.
int Most_steps(const std::map<int64_t, double>& middles)
{
    std::vector<double> steps;
    for (const auto& [f, u] : middles)
        if (const auto next = middles.find(f + 2); next != middles.end()) steps.push_back(next->second - u);
    if (steps.empty()) return 0;
    return Sign(Middle_value(steps));
}

// How often the bow measured along direction moves on between fields of the same parity, less
// how often it falls back.
int Advance(const std::map<int64_t, double>& tips)
{
    int score = 0;
    for (const auto& [f, tip] : tips)
        if (const auto next = tips.find(f + 2); next != tips.end()) score += next->second > tip ? 1 : -1;
    return score;
}

} // namespace

// A step in which the largest region changes (a neighbour's paddler covering the bow, an oar
// cutting the hull in two) is a jump that the line follows and one step among many does not; a
// faint hull's middle wanders and fools either. Where they disagree, the bow decides: measured
// along the right way it advances from field to field, along the wrong way the stern is taken
// for it and falls back.
int Travel_direction(const std::map<int64_t, double>& middles,
                     const std::function<std::map<int64_t, double>(int)>& tips_along)
{
    if (middles.size() < 2) return 0;
    const int drift = Drift(middles), most = Most_steps(middles);
    if (most == 0 || most == drift) return drift;
    if (drift == 0) return most;
    return Advance(tips_along(most)) > Advance(tips_along(drift)) ? most : drift;
}

} // namespace wk
