// The reader's proposals and what the operator did with each.
#include "viewer/Proposal_queue.h"

#include <algorithm>

namespace wk {

namespace {
const Proposal_queue* g_Viewer_proposals = nullptr;
}

void Proposal_queue::Set(const Finish_reading& reading)
{
    Clear();
    for (const Lane_proposal& p : reading.lanes)
        if (p.time_ms) entries_.push_back({p});
    std::ranges::stable_sort(entries_, {}, [](const Proposal_entry& e) { return *e.proposal.time_ms; });
    dead_heats_ = reading.dead_heats;
}

void Proposal_queue::Clear()
{
    entries_.clear();
    dead_heats_.clear();
    current_.reset();
    confirmations_.clear();
}

std::optional<size_t> Proposal_queue::Next()
{
    const size_t n = entries_.size();
    const size_t from = current_ ? *current_ + 1 : 0;
    for (size_t k = 0; k < n; ++k) {
        const size_t i = (from + k) % n;
        if (entries_[i].state == Proposal_entry::State::open) return current_ = i;
    }
    current_.reset();
    return std::nullopt;
}

const Proposal_entry* Proposal_queue::Entry_of_lane(int lane) const
{
    const auto e = std::ranges::find(entries_, lane, [](const Proposal_entry& x) { return x.proposal.lane; });
    return e == entries_.end() ? nullptr : &*e;
}

bool Proposal_queue::Open_for_lane(int lane) const
{
    const Proposal_entry* e = Entry_of_lane(lane);
    return e && e->state == Proposal_entry::State::open;
}

void Proposal_queue::Confirmed(size_t index, const Lane_Result_Record& before)
{
    Proposal_entry& e = entries_.at(index);
    e.state = Proposal_entry::State::confirmed;
    e.before = before;
    confirmations_.push_back(index);
}

void Proposal_queue::Rejected(size_t index) { entries_.at(index).state = Proposal_entry::State::rejected; }

void Proposal_queue::Overridden(int lane)
{
    for (Proposal_entry& e : entries_)
        if (e.proposal.lane == lane) e.state = Proposal_entry::State::overridden;
    std::erase_if(confirmations_, [&](size_t i) { return entries_[i].proposal.lane == lane; });
}

std::optional<size_t> Proposal_queue::Undo_last()
{
    if (confirmations_.empty()) return std::nullopt;
    const size_t i = confirmations_.back();
    confirmations_.pop_back();
    entries_[i].state = Proposal_entry::State::open;
    current_ = i;
    return i;
}

std::vector<size_t> Proposal_queue::Sure_open(double sure) const
{
    std::vector<size_t> out;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].state == Proposal_entry::State::open && entries_[i].proposal.confidence >= sure)
            out.push_back(i);
    return out;
}

int Proposal_queue::Dead_heat_partner(size_t index) const
{
    const int lane = entries_.at(index).proposal.lane;
    for (const auto& [a, b] : dead_heats_) {
        if (a == lane) return b;
        if (b == lane) return a;
    }
    return 0;
}

void Install_proposal_queue(const Proposal_queue* queue) { g_Viewer_proposals = queue; }

const Proposal_queue* Viewer_proposals() { return g_Viewer_proposals; }

} // namespace wk
