#pragma once
// The samples of one grabber on their way from a streaming thread to the creating thread: a
// fixed pool of slots, each holding a copy of one sample. A streaming thread copies into a free
// slot; the creating thread takes the slots in the order they were filled and gives each back
// after the sinks are done with it, so a slot being delivered is never written. When no slot is
// free the newest sample is dropped and counted. Knows nothing of where samples come from.
#include "capture_server/Graph_host.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace wk {

class Sample_queue {
public:
    struct Slot {
        std::vector<uint8_t> bytes; // grows to the largest sample it held, never shrinks
        double time = 0;
        uint64_t run = 0;   // the Run the sample belongs to
        uint64_t order = 0; // when it came, among the samples of every queue
        int32_t tick = 0;   // millisecond tick when the sample reached the server, or when it was taken
        Encoded_times picture;      // of a frame encoded from a camera's pictures
        bool encoded = false;       // picture holds the times of its fields
    };
    enum class Put_result {
        queued,
        queued_first, // the queue was idle: the creating thread must be woken
        dropped,
    };
    static constexpr size_t k_default_slots = 8;

    explicit Sample_queue(size_t slots = k_default_slots);
    Sample_queue(const Sample_queue&) = delete;
    Sample_queue& operator=(const Sample_queue&) = delete;

    // Any thread. Copies the sample; queued_first once per change from idle to waiting.
    Put_result Put(double time, std::span<const uint8_t> bytes, uint64_t run, uint64_t order = 0, int32_t tick = 0);
    // The same for a frame encoded from a camera's pictures: its times go in its slot with it.
    Put_result Put_encoded(double time, std::span<const uint8_t> bytes, uint64_t run, uint64_t order,
                           const Encoded_times& times);
    // Counts a sample lost before it reached the queue.
    void Count_dropped();

    // Creating thread. The order of the oldest waiting sample, without taking it.
    std::optional<uint64_t> Next_order() const;
    // The oldest waiting sample, or null; null also marks the queue idle, so that the next Put
    // wakes the creating thread again.
    Slot* Take();
    // Returns a slot that Take gave, once its sample has been delivered.
    void Give_back(Slot* slot);
    // Forgets every waiting sample (the slot being delivered stays with its caller); the pictures
    // they held.
    uint64_t Discard_waiting();

    size_t Waiting() const;
    uint64_t Dropped() const;
    void Reset_dropped();
    size_t Slots() const { return slots_.size(); }
    // Another number of slots, taken only while none is waiting or being delivered (between
    // runs); whether it was taken. A slot's memory is taken when it first holds a sample.
    bool Resize(size_t slots);

private:
    Put_result Put_slot(double time, std::span<const uint8_t> bytes, uint64_t run, uint64_t order, int32_t tick,
                        const Encoded_times* times);

    std::vector<Slot> slots_;
    mutable std::mutex mutex_;
    std::vector<Slot*> free_;
    std::deque<Slot*> waiting_;
    bool awake_ = false; // a wake is on its way or the creating thread is taking samples
    uint64_t dropped_ = 0;
};

} // namespace wk
