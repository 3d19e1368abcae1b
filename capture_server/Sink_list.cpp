#include "capture_server/Sink_list.h"

#include <algorithm>

namespace wk {

uint32_t Sink_list::Add(IVideoCapEvent* sink)
{
    std::lock_guard lock(mutex_);
    if (++last_cookie_ == 0) ++last_cookie_; // after four thousand million Advises
    entries_.push_back({last_cookie_, com::Com_ptr<IVideoCapEvent>(sink)});
    return last_cookie_;
}

bool Sink_list::Remove(uint32_t cookie)
{
    com::Com_ptr<IVideoCapEvent> removed; // released after the lock, in case the sink calls back
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.cookie == cookie; });
        if (it == entries_.end()) return false;
        removed = std::move(it->sink);
        entries_.erase(it);
    }
    return true;
}

bool Sink_list::Contains(uint32_t cookie) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.cookie == cookie; });
}

std::vector<Sink_list::Entry> Sink_list::Snapshot() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

void Sink_list::Clear()
{
    std::vector<Entry> removed;
    {
        std::lock_guard lock(mutex_);
        removed.swap(entries_);
    }
}

} // namespace wk
