#pragma once
// How well a finish reading agrees with a synthetic heat's truth: per finishing lane the error
// against the true crossing and whether the stated uncertainty held it; per empty or stopped
// lane whether a time was proposed anyway. Totals over all heats and per kind of heat.
#include "reading/Finish_reader.h"
#include "tools/Finish_heat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wk::bench {

class Reading_score {
public:
    struct Lane_outcome {
        std::string heat;  // "kind/seed/lanes"
        int lane = 0;
        std::string note;
        double error_ms = std::numeric_limits<double>::infinity();  // |proposed - true|; none: infinite
        double uncertainty_ms = 0;
        std::string why;
    };

    struct Tally {
        std::vector<double> errors;  // finishing lanes, infinite where no time was proposed
        int inside_uncertainty = 0;
        int no_time = 0;
        int not_finishing = 0, false_proposals = 0;
        int dead_heats = 0, dead_heats_marked = 0;

        double Share_within(double ms) const
        {
            if (errors.empty()) return 0;
            return double(std::count_if(errors.begin(), errors.end(), [&](double e) { return e <= ms; })) /
                   double(errors.size());
        }
        double Quantile(double q) const
        {
            if (errors.empty()) return 0;
            std::vector<double> e = errors;
            std::sort(e.begin(), e.end());
            const size_t rank = size_t(std::ceil(q * double(e.size())));
            return e[std::clamp<size_t>(rank, 1, e.size()) - 1];
        }
        double Calibration() const { return errors.empty() ? 0 : double(inside_uncertainty) / double(errors.size()); }
    };

    void Add(const finish_heat::Truth& truth, const std::string& heat, const Finish_reading& reading)
    {
        Tally& kind = by_kind_[heat.substr(0, heat.find('/'))];
        for (const finish_heat::Lane_truth& l : truth.lanes) {
            const Lane_proposal* p = Find(reading, l.lane);
            const bool timed = p && p->time_ms.has_value();
            if (l.kind != finish_heat::Lane_kind::finish) {
                for (Tally* t : {&all_, &kind}) {
                    ++t->not_finishing;
                    t->false_proposals += timed ? 1 : 0;
                }
                if (timed) false_.push_back({heat, l.lane, Lane_kind_name(l.kind), 0, p->uncertainty_ms, p->why});
                continue;
            }
            Lane_outcome o{heat, l.lane, l.note, std::numeric_limits<double>::infinity(), 0, p ? p->why : "no proposal"};
            if (timed) {
                o.error_ms = std::abs(*p->time_ms - l.time_ms);
                o.uncertainty_ms = p->uncertainty_ms;
            }
            for (Tally* t : {&all_, &kind}) {
                t->errors.push_back(o.error_ms);
                t->inside_uncertainty += timed && o.error_ms <= p->uncertainty_ms ? 1 : 0;
                t->no_time += timed ? 0 : 1;
            }
            outcomes_.push_back(o);
        }
        for (const auto& [a, b] : truth.dead_heats) {
            const bool marked = std::any_of(reading.dead_heats.begin(), reading.dead_heats.end(), [&](const auto& d) {
                return (d.first == a && d.second == b) || (d.first == b && d.second == a);
            });
            for (Tally* t : {&all_, &kind}) {
                ++t->dead_heats;
                t->dead_heats_marked += marked ? 1 : 0;
            }
        }
    }

    // A heat the reader refused: every finishing lane counts as unread.
    void Add_refused(const finish_heat::Truth& truth, const std::string& heat, const std::string& message)
    {
        refused_.push_back(heat + ": " + message);
        Add(truth, heat, {});
    }

    void Print() const
    {
        std::printf("\nFinish reading against the truth, over all finishing lanes:\n");
        Print_tally("all heats", all_, true);
        std::printf("\nBy kind of heat:\n");
        for (const auto& [name, t] : by_kind_) Print_tally(name, t, false);
        Print_worst();
        for (const auto& r : refused_) std::printf("  refused heat %s\n", r.c_str());
        for (const auto& f : false_)
            std::printf("  false proposal: %s lane %d (%s): %s\n", f.heat.c_str(), f.lane, f.note.c_str(), f.why.c_str());
    }

    const Tally& All() const { return all_; }

private:
    static const Lane_proposal* Find(const Finish_reading& reading, int lane)
    {
        for (const Lane_proposal& p : reading.lanes)
            if (p.lane == lane) return &p;
        return nullptr;
    }

    static void Print_tally(const std::string& name, const Tally& t, bool targets)
    {
        auto mark = [&](bool ok) { return targets ? (ok ? " (target met)" : " (TARGET MISSED)") : ""; };
        std::printf("  %-10s %3zu lanes: within 20 ms %5.1f %%%s, within 2 ms %5.1f %%%s, median %.2f ms, "
                    "p95 %.2f ms%s, truth inside uncertainty %5.1f %%%s, no time %d; "
                    "%d empty/stopped lanes, %d proposals for them%s; dead heats marked %d of %d\n",
                    name.c_str(), t.errors.size(), 100 * t.Share_within(20), mark(t.Share_within(20) >= 0.95),
                    100 * t.Share_within(2), mark(t.Share_within(2) >= 0.80), t.Quantile(0.5), t.Quantile(0.95),
                    mark(t.Quantile(0.95) <= 4), 100 * t.Calibration(), mark(t.Calibration() >= 0.90), t.no_time,
                    t.not_finishing, t.false_proposals, mark(t.false_proposals == 0), t.dead_heats_marked,
                    t.dead_heats);
    }

    void Print_worst() const
    {
        std::vector<Lane_outcome> worst = outcomes_;
        std::sort(worst.begin(), worst.end(), [](const auto& a, const auto& b) { return a.error_ms > b.error_ms; });
        std::printf("\nLargest errors:\n");
        for (size_t i = 0; i < worst.size() && i < 12 && worst[i].error_ms > 2; ++i)
            std::printf("  %s lane %d: error %.2f ms, stated uncertainty %.2f ms%s%s; reader: %s\n",
                        worst[i].heat.c_str(), worst[i].lane, worst[i].error_ms, worst[i].uncertainty_ms,
                        worst[i].note.empty() ? "" : "; ", worst[i].note.c_str(), worst[i].why.c_str());
    }

    Tally all_;
    std::map<std::string, Tally> by_kind_;
    std::vector<Lane_outcome> outcomes_, false_;
    std::vector<std::string> refused_;
};

} // namespace wk::bench
