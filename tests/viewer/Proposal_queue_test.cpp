// The reader's proposals as the operator works through them, without a window.
#include "viewer/Proposal_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace wk {
namespace {

Lane_proposal Proposal(int lane, std::optional<double> time, double confidence = 0.9)
{
    Lane_proposal p;
    p.lane = lane;
    p.time_ms = time;
    p.frame = 10 + lane;
    p.field = lane % 2 + 1;
    p.confidence = confidence;
    return p;
}

std::vector<int> Lanes_of(const Proposal_queue& q, const std::vector<size_t>& indexes)
{
    std::vector<int> lanes;
    for (size_t i : indexes) lanes.push_back(q.Entries()[i].proposal.lane);
    return lanes;
}

TEST(Proposal_queue, GoesThroughOpenProposalsInTimeOrderAndAnUndoOpensTheLastConfirmationAgain)
{
    Proposal_queue q;
    q.Set({{Proposal(3, 5200.4), Proposal(1, 5100.0, 0.5), Proposal(4, std::nullopt), Proposal(2, 5200.1)}, {{2, 3}}});
    ASSERT_EQ(q.Entries().size(), 3u) << "a lane without a time is no proposal";
    std::vector<int> order;
    for (int k = 0; k < 4; ++k) order.push_back(q.Entries()[*q.Next()].proposal.lane);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 1})) << "time order, from the first again at the end";

    q.Confirmed(0, {1, 999, 0, 0});
    q.Rejected(1);
    EXPECT_EQ(q.Entries()[*q.Next()].proposal.lane, 3) << "confirmed and rejected ones are passed over";
    q.Confirmed(2, {3, 0, 0, 0});
    EXPECT_FALSE(q.Next()) << "nothing open";

    const auto undone = q.Undo_last();
    ASSERT_TRUE(undone);
    EXPECT_EQ(q.Entries()[*undone].proposal.lane, 3);
    EXPECT_EQ(q.Current(), undone);
    q.Overridden(1);
    EXPECT_FALSE(q.Undo_last()) << "an overridden lane's confirmation is no longer there to undo";
    EXPECT_FALSE(q.Open_for_lane(1));
    EXPECT_TRUE(q.Open_for_lane(3));
}

TEST(Proposal_queue, SureProposalsDeadHeatsAndTheViewersFieldNumbers)
{
    Proposal_queue q;
    q.Set({{Proposal(1, 100.0, 0.95), Proposal(2, 101.0, 0.79), Proposal(3, 102.0, 0.8), Proposal(5, 103.0, 0.99)},
           {{5, 3}}});
    EXPECT_EQ(Lanes_of(q, q.Sure_open(0.8)), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(q.Dead_heat_partner(2), 5);
    EXPECT_EQ(q.Dead_heat_partner(3), 3);
    EXPECT_EQ(q.Dead_heat_partner(0), 0);

    struct Case {
        int64_t frame;
        int field;
        int32_t viewer_field;
    };
    for (const Case c : {Case{1, 1, 1}, Case{1, 2, 2}, Case{40, 1, 79}, Case{40, 2, 80}}) {
        Lane_proposal p;
        p.frame = c.frame;
        p.field = c.field;
        EXPECT_EQ(Proposal_queue::Viewer_field(p), c.viewer_field) << c.frame << "/" << c.field;
    }
}

} // namespace
} // namespace wk
