#pragma once
// The advised sinks in the order of Advise, each held by a reference. Cookies count up from 1,
// so a cookie is never reused while its sink may still be advised and 0 is never one.
#include "capture_server/IVideoCap.h"
#include "comlite/Com_ptr.h"

#include <mutex>
#include <vector>

namespace wk {

class Sink_list {
public:
    struct Entry {
        uint32_t cookie;
        com::Com_ptr<IVideoCapEvent> sink;
    };
    // Takes a reference on sink; the new cookie.
    uint32_t Add(IVideoCapEvent* sink);
    // Releases the sink; false when no sink has the cookie.
    bool Remove(uint32_t cookie);
    bool Contains(uint32_t cookie) const;
    // The sinks as they are now, each with a reference of its own, so that the list may change
    // while they are called.
    std::vector<Entry> Snapshot() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    uint32_t last_cookie_ = 0;
};

} // namespace wk
