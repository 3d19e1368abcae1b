// The finish reader's proposals under the crew's keys: N shows the next open proposal's field,
// Enter stores it as a click there would but with the reader's time, an S+click on another field
// overrides it, Ctrl+Z takes the last confirmation back.
#include "platform/Key_event_filter.h"
#include "tests/viewer/Viewer_fixture.h"
#include "tools/Demo_heat.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"

#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QTest>

#include <cmath>

namespace wk {
namespace {

class Reading_in_the_viewer : public test::Viewer_window {
protected:
    void SetUp() override
    {
        test::Viewer_window::SetUp();
        platform::Install_key_event_filter();
        test::Write_file(home.App_data() / "Wakeline.ini", "[Canoe]\r\nread_finish=True\r\n");
        path = (home.path() / "DemoHeat1.qs2").string();
        demo::Make_demo_heat(path, {.lanes = 4, .line_over_boats = false});
        ASSERT_TRUE(Open(path));
        Viewer().show();
        Viewer().activateWindow();
        // The reader works on a thread of its own; its answer comes through the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(!Viewer().Reading().Reading(), 120000);
    }
    const Proposal_queue& Queue() { return Viewer().Reading().Proposals(); }
    int Shown() { return Viewer().Lbl_frameno->text().toInt(); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Viewer().Slider_play, Qt::Key(key), modifiers);
    }
    struct Stored {
        int32_t time, field;
        std::string made;
    };
    Stored Stored_lane(int16_t lane)
    {
        QCoreApplication::processEvents(); // the header is written once the result is shown
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        return {rec.Heat_time(1, lane), rec.Heat_Goalfield(1, lane), rec.Heat_Result_made(1, lane)};
    }
    static bool Has_result(const Stored& s) { return s.time != 0 && Is_real_time(s.time); }
    std::string path;
};

TEST_F(Reading_in_the_viewer, KeysConfirmEachProposalAnSClickOverridesOneAndCtrlZTakesTheLastBack)
{
    const std::vector<Proposal_entry> proposals = Queue().Entries();
    ASSERT_FALSE(proposals.empty()) << Viewer().Reading().item_reading_state->text().toStdString();
    for (const Proposal_entry& e : proposals) {
        Key(Qt::Key_N);
        ASSERT_EQ(Shown(), Proposal_queue::Viewer_field(e.proposal)) << "lane " << e.proposal.lane;
        Key(Qt::Key_Return);
    }
    for (const Proposal_entry& e : proposals) {
        const Stored s = Stored_lane(int16_t(e.proposal.lane));
        EXPECT_EQ(s.time, int32_t(std::nearbyint(*e.proposal.time_ms))) << "lane " << e.proposal.lane;
        EXPECT_EQ(s.field, Proposal_queue::Viewer_field(e.proposal));
        EXPECT_EQ(s.made, "confirmed");
    }

    // Two fields later, S and a click on the first lane's mark: that field's time, overridden.
    const Lane_proposal& first = proposals.front().proposal;
    const Cls_lane* mark = nullptr;
    for (const auto& m : g_Lanes)
        if (m && m->Lane_number() == first.lane) mark = m.get();
    ASSERT_NE(mark, nullptr);
    Viewer().Show_field(Proposal_queue::Viewer_field(first) + 2);
    dialogs.Expect_message("Override existing result?", platform::vbOK);
    QTest::keyPress(Viewer().Picture_large, Qt::Key_S);
    QTest::mouseClick(Viewer().Picture_large, Qt::LeftButton, Qt::NoModifier, QPoint(mark->X(), mark->Y()));
    QTest::keyRelease(Viewer().Picture_large, Qt::Key_S);
    const Stored overridden = Stored_lane(int16_t(first.lane));
    EXPECT_EQ(overridden.field, Proposal_queue::Viewer_field(first) + 2);
    EXPECT_EQ(overridden.made, "overridden");

    // Ctrl+Z: the last lane confirmed has no result again, and its proposal is shown open.
    const Lane_proposal& last = proposals.back().proposal;
    ASSERT_NE(last.lane, first.lane);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(Has_result(Stored_lane(int16_t(last.lane))));
    EXPECT_NE(Stored_lane(int16_t(last.lane)).made, "confirmed");
    EXPECT_EQ(Shown(), Proposal_queue::Viewer_field(last));
    EXPECT_TRUE(Queue().Open_for_lane(last.lane));
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Reading_in_the_viewer, RAndTheMenuLeaveALaneForAClickAndConfirmAllAsksFirst)
{
    ASSERT_FALSE(Queue().Empty());
    Key(Qt::Key_N);
    const int lane = Queue().Entries()[*Queue().Current()].proposal.lane;
    Key(Qt::Key_R);
    EXPECT_FALSE(Queue().Open_for_lane(lane));
    EXPECT_FALSE(Has_result(Stored_lane(int16_t(lane))));

    // No, the default, stores nothing.
    std::vector<size_t> sure = Queue().Sure_open(Sure_confidence_setting());
    std::erase_if(sure, [&](size_t i) { return Queue().Dead_heat_partner(i) != 0; });
    if (sure.empty()) dialogs.Expect_message("No proposal is sure enough", platform::vbOK);
    else dialogs.Expect_message("Confirm " + std::to_string(sure.size()) + " proposed lanes?", platform::vbNo);
    Viewer().Reading().item_confirm_sure->trigger();
    for (const Proposal_entry& e : Queue().Entries()) EXPECT_NE(e.state, Proposal_entry::State::confirmed);
}

} // namespace
} // namespace wk
