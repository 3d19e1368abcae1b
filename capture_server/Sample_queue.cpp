#include "capture_server/Sample_queue.h"

#include <algorithm>

namespace wk {

Sample_queue::Sample_queue(size_t slots) : slots_(std::max<size_t>(slots, 1))
{
    for (auto& s : slots_) free_.push_back(&s);
}

Sample_queue::Put_result Sample_queue::Put(double time, std::span<const uint8_t> bytes, uint64_t run, uint64_t order,
                                            int32_t tick)
{
    return Put_slot(time, bytes, run, order, tick, nullptr);
}

Sample_queue::Put_result Sample_queue::Put_encoded(double time, std::span<const uint8_t> bytes, uint64_t run,
                                                    uint64_t order, const Encoded_times& times)
{
    return Put_slot(time, bytes, run, order, times.first_tick, &times);
}

Sample_queue::Put_result Sample_queue::Put_slot(double time, std::span<const uint8_t> bytes, uint64_t run,
                                                 uint64_t order, int32_t tick, const Encoded_times* times)
{
    Slot* slot = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (free_.empty()) {
            ++dropped_;
            return Put_result::dropped;
        }
        slot = free_.back();
        free_.pop_back();
    }
    // Copied outside the lock: the slot is nobody else's until it is queued.
    try {
        slot->bytes.assign(bytes.begin(), bytes.end());
    } catch (...) {
        std::lock_guard lock(mutex_);
        free_.push_back(slot);
        ++dropped_;
        return Put_result::dropped;
    }
    slot->time = time;
    slot->run = run;
    slot->order = order;
    slot->tick = tick;
    slot->encoded = times != nullptr;
    slot->picture = times ? *times : Encoded_times{tick, tick, 1};
    std::lock_guard lock(mutex_);
    waiting_.push_back(slot);
    if (awake_) return Put_result::queued;
    awake_ = true;
    return Put_result::queued_first;
}

bool Sample_queue::Resize(size_t slots)
{
    std::lock_guard lock(mutex_);
    slots = std::max<size_t>(slots, 1);
    if (slots == slots_.size()) return true;
    if (!waiting_.empty() || free_.size() != slots_.size()) return false;
    slots_ = std::vector<Slot>(slots);
    free_.clear();
    for (auto& s : slots_) free_.push_back(&s);
    return true;
}

void Sample_queue::Count_dropped()
{
    std::lock_guard lock(mutex_);
    ++dropped_;
}

std::optional<uint64_t> Sample_queue::Next_order() const
{
    std::lock_guard lock(mutex_);
    if (waiting_.empty()) return std::nullopt;
    return waiting_.front()->order;
}

Sample_queue::Slot* Sample_queue::Take()
{
    std::lock_guard lock(mutex_);
    if (waiting_.empty()) {
        awake_ = false;
        return nullptr;
    }
    Slot* slot = waiting_.front();
    waiting_.pop_front();
    return slot;
}

void Sample_queue::Give_back(Slot* slot)
{
    std::lock_guard lock(mutex_);
    free_.push_back(slot);
}

uint64_t Sample_queue::Discard_waiting()
{
    std::lock_guard lock(mutex_);
    uint64_t pictures = 0;
    for (const Slot* s : waiting_) pictures += uint64_t(s->picture.pictures);
    free_.insert(free_.end(), waiting_.begin(), waiting_.end());
    waiting_.clear();
    return pictures;
}

size_t Sample_queue::Waiting() const
{
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

uint64_t Sample_queue::Dropped() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

void Sample_queue::Reset_dropped()
{
    std::lock_guard lock(mutex_);
    dropped_ = 0;
}

} // namespace wk
