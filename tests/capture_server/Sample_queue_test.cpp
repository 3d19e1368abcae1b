// The slots between the streaming threads and the creating thread.
#include "capture_server/Sample_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace wk {
namespace {

using Put = Sample_queue::Put_result;

std::vector<uint8_t> Bytes(uint8_t value, size_t n = 3) { return std::vector<uint8_t>(n, value); }

TEST(Sample_queue_test, SamplesComeOutInTheOrderTheyWentInAndOnlyAnIdleQueueAsksForAWake)
{
    Sample_queue q(4);
    EXPECT_EQ(q.Put(0.04, Bytes(1), 7), Put::queued_first);
    EXPECT_EQ(q.Put(0.08, Bytes(2, 144000), 7), Put::queued);
    EXPECT_EQ(q.Put(0.12, Bytes(3), 7), Put::queued);
    EXPECT_EQ(q.Waiting(), 3u);
    for (uint8_t i = 1; i <= 3; ++i) {
        auto* slot = q.Take();
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->bytes.at(0), i);
        EXPECT_DOUBLE_EQ(slot->time, 0.04 * i);
        EXPECT_EQ(slot->run, 7u);
        // Still taking: a sample arriving now needs no wake of its own.
        if (i == 2) { EXPECT_EQ(q.Put(0.16, Bytes(4), 7), Put::queued); }
        q.Give_back(slot);
    }
    ASSERT_NE(q.Take(), nullptr); // the fourth
    EXPECT_EQ(q.Take(), nullptr); // now idle
    EXPECT_EQ(q.Put(0.2, Bytes(5), 8), Put::queued_first);
    EXPECT_EQ(q.Dropped(), 0u);
}

// Slots are only made anew while none is in use: a slot being delivered must stay where it is.
TEST(Sample_queue_test, ItsSlotsChangeInNumberOnlyWhileNoneIsInUseAndAnEncodedFrameKeepsItsTimes)
{
    Sample_queue q(2);
    ASSERT_EQ(q.Put_encoded(0.04, Bytes(1), 1, 0, Encoded_times{100, 120, 2}), Put::queued_first);
    EXPECT_FALSE(q.Resize(5)); // one waits
    auto* slot = q.Take();
    ASSERT_NE(slot, nullptr);
    EXPECT_FALSE(q.Resize(5)); // one is being delivered
    EXPECT_TRUE(slot->encoded);
    EXPECT_EQ(slot->tick, 100);
    EXPECT_EQ(slot->picture.second_tick, 120);
    EXPECT_EQ(slot->picture.pictures, 2);
    q.Give_back(slot);
    EXPECT_EQ(q.Slots(), 2u);
    ASSERT_TRUE(q.Resize(5));
    EXPECT_EQ(q.Slots(), 5u);
    for (uint8_t i = 0; i < 5; ++i) EXPECT_NE(q.Put(0, Bytes(i), 1, 0, 300), Put::dropped) << int(i);
    EXPECT_EQ(q.Put(0, Bytes(9), 1), Put::dropped);
    slot = q.Take();
    ASSERT_NE(slot, nullptr);
    EXPECT_FALSE(slot->encoded); // a plain sample: both fields from its one tick
    EXPECT_EQ(slot->picture.second_tick, 300);
    q.Give_back(slot);
}

TEST(Sample_queue_test, AFullPoolDropsTheNewestSampleAndCountsIt)
{
    Sample_queue q(2);
    EXPECT_EQ(q.Put(1, Bytes(1), 1), Put::queued_first);
    EXPECT_EQ(q.Put(2, Bytes(2), 1), Put::queued);
    EXPECT_EQ(q.Put(3, Bytes(3), 1), Put::dropped);
    auto* held = q.Take(); // being delivered: still not free
    EXPECT_EQ(q.Put(4, Bytes(4), 1), Put::dropped);
    EXPECT_EQ(q.Dropped(), 2u);
    q.Give_back(held);
    EXPECT_EQ(q.Put(5, Bytes(5), 1), Put::queued);
    EXPECT_EQ(q.Take()->bytes.at(0), 2);
    EXPECT_EQ(q.Take()->bytes.at(0), 5);
    q.Count_dropped();
    EXPECT_EQ(q.Dropped(), 3u);
    q.Reset_dropped();
    EXPECT_EQ(q.Dropped(), 0u);
}

TEST(Sample_queue_test, DiscardingForgetsTheWaitingSamplesButNotTheOneBeingDelivered)
{
    Sample_queue q(3);
    q.Put(1, Bytes(1), 1);
    q.Put(2, Bytes(2), 1);
    q.Put(3, Bytes(3), 1);
    auto* held = q.Take();
    q.Discard_waiting();
    EXPECT_EQ(q.Waiting(), 0u);
    EXPECT_EQ(held->bytes, Bytes(1)); // untouched
    EXPECT_EQ(q.Put(4, Bytes(4), 2), Put::queued);
    EXPECT_EQ(q.Put(5, Bytes(5), 2), Put::queued);
    EXPECT_EQ(q.Put(6, Bytes(6), 2), Put::dropped); // the held slot is still out
    q.Give_back(held);
    EXPECT_EQ(q.Take()->bytes.at(0), 4);
}

// A streaming thread filling as fast as it can while the creating thread takes: every sample
// arrives whole and once, in order, or is counted as dropped; the slot being read never changes.
TEST(Sample_queue_test, AStreamingThreadNeverTearsDuplicatesOrSilentlyLosesASample)
{
    Sample_queue q(4);
    constexpr int k_count = 20000;
    std::atomic<int> wakes{0};
    std::thread streaming([&] {
        for (int i = 0; i < k_count; ++i) {
            std::vector<uint8_t> sample(16 + size_t(i % 300), uint8_t(i));
            if (q.Put(i, sample, 1) == Put::queued_first) ++wakes;
        }
    });
    int taken = 0, last = -1, idle = 0;
    bool whole = true, in_order = true;
    auto take_all = [&] {
        while (auto* slot = q.Take()) {
            const auto first = slot->bytes;
            const int n = int(slot->time);
            whole &= slot->bytes.size() == 16 + size_t(n % 300);
            for (uint8_t b : slot->bytes) whole &= b == uint8_t(n);
            in_order &= n > last;
            last = n;
            std::this_thread::yield();
            whole &= slot->bytes == first; // nothing wrote it while it was out
            q.Give_back(slot);
            ++taken;
        }
        ++idle;
    };
    while (taken + q.Dropped() < k_count) take_all();
    streaming.join();
    take_all();
    EXPECT_TRUE(whole);
    EXPECT_TRUE(in_order);
    EXPECT_EQ(taken + q.Dropped(), uint64_t(k_count));
    EXPECT_GT(taken, 0);
    // A wake is asked for only after the creating thread found the queue idle.
    EXPECT_LE(wakes.load(), idle + 1); // the queue starts idle
    EXPECT_GE(wakes.load(), 1);
}

} // namespace
} // namespace wk
