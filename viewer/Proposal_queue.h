#pragma once
// The finish reader's proposals as the operator works through them: each lane's proposal is open
// until a person confirms it (its time is stored), rejects it (the lane waits for a click) or
// overrides it with a click on another field. Nothing here stores a result; it keeps what the
// person did and what an undo puts back.
#include "reading/Finish_reader.h"
#include "results/Lane_Result_Record.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace wk {

struct Proposal_entry {
    enum class State { open, confirmed, rejected, overridden };
    Lane_proposal proposal;
    State state = State::open;
    // The lane's result before the confirmation, for an undo.
    Lane_Result_Record before{};
};

class Proposal_queue {
public:
    // Below this confidence a proposal is drawn apart and not confirmed with the rest.
    static constexpr double k_Sure = 0.8;

    // The proposals with a time, in time order; what was done with earlier ones is gone.
    void Set(const Finish_reading& reading);
    void Clear();
    const std::vector<Proposal_entry>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }

    // The next open proposal in time order after the current one (from the first again at the
    // end); it becomes the current one. None when no proposal is open.
    std::optional<size_t> Next();
    std::optional<size_t> Current() const { return current_; }
    const Proposal_entry* Entry_of_lane(int lane) const;
    bool Open_for_lane(int lane) const;

    void Confirmed(size_t index, const Lane_Result_Record& before);
    void Rejected(size_t index);
    // A click stored another time for the lane.
    void Overridden(int lane);
    // The last confirmation, open again; none when nothing was confirmed since the proposals came.
    std::optional<size_t> Undo_last();
    // Open proposals whose confidence is at least sure, in time order.
    std::vector<size_t> Sure_open(double sure) const;
    // The other lane of a possible dead heat with the entry's lane; 0 for none.
    int Dead_heat_partner(size_t index) const;

    // The viewer's field number (two a frame, the earlier first) of an entry's nearest field.
    static int32_t Viewer_field(const Lane_proposal& p) { return int32_t(2 * (p.frame - 1) + p.field); }

private:
    std::vector<Proposal_entry> entries_;
    std::vector<std::pair<int, int>> dead_heats_;
    std::optional<size_t> current_;
    std::vector<size_t> confirmations_;
};

// The viewer's proposals, which the finish strip draws; installed by the viewer.
void Install_proposal_queue(const Proposal_queue* queue);
const Proposal_queue* Viewer_proposals();

} // namespace wk
