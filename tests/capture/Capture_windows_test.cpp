// The direct-write test bench and the no-camera notice.
#include "capture/Form_Nocam.h"
#include "capture/Form_test_direct_write.h"

#include "recording/cls_AVI_handler.h"
#include "services/Module_utilities.h"
#include "tests/recording/Recording_maker.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

// A camera whose "frame just stored" the test moves on by hand.
class Fake_source final : public DV_frame_source {
public:
    explicit Fake_source(std::vector<test::DV_frame> held) : frames(std::move(held)) {}
    std::span<const uint8_t> Last_DV_frame() override
    {
        if (current < 0 || current >= int(frames.size())) return {};
        return frames[size_t(current)];
    }
    std::vector<test::DV_frame> frames;
    int current = -1;
};

class Direct_write : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.Set_recording(recording);
        window.Set_frame_source(&source);
        window.Text_Filename->setText(QString::fromStdString(path));
    }
    // Holds the button for the camera's next n frames.
    void Hold_for(int n)
    {
        emit window.Command1->pressed();
        for (int k = 0; k < n; ++k) {
            ++source.current;
            window.DV_event();
        }
        emit window.Command1->released();
    }
    void Expect_frames_on_disk(int count)
    {
        cls_AVI_handler reader;
        ASSERT_TRUE(reader.Open_File(path));
        ASSERT_EQ(reader.num_frames(), count);
        for (int f = 1; f <= count; ++f) {
            ASSERT_TRUE(reader.Read_Frame(f));
            const auto bytes = reader.Frame_bytes();
            const auto& expected = source.frames[size_t(f - 1)];
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected.begin(), expected.end())) << f;
        }
    }
    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    std::string path = (home.path() / "direct.qs2").string();
    std::shared_ptr<cls_AVI_handler> recording = std::make_shared<cls_AVI_handler>();
    Fake_source source{std::vector<test::DV_frame>(test::Stream_frames(1).begin(), test::Stream_frames(1).begin() + 7)};
    Form_test_direct_write window;
};

TEST_F(Direct_write, HeldForFourFramesItAppendsThemClosesTheFileAndShowsTheCount)
{
    test::Make_qs2(path, 0);
    Hold_for(4);
    EXPECT_FALSE(window.Writing());
    EXPECT_FALSE(recording->File_open());
    EXPECT_EQ(window.Frames_written(), 4);
    EXPECT_EQ(window.Lbl_DV_frames->text(), "4");
    EXPECT_TRUE(window.Label2->text().contains("direct.qs2 : 4 frames")) << window.Label2->text().toStdString();
    EXPECT_EQ(window.Lbl_file_size->text().toLongLong(), int64_t(fs::file_size(path)));
    EXPECT_EQ(window.lbl_DV_events->text(), "4");
    Expect_frames_on_disk(4);
    // The frames carry a time code that the window read from the last one.
    EXPECT_GT(window.Last_timecode_frame(), 0);
    EXPECT_EQ(window.Last_frame_tick(), clock.tick);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Direct_write, FramesOutsideAHoldAreCountedButNotWrittenAndASecondHoldAppends)
{
    test::Make_qs2(path, 0);
    Hold_for(2);
    ++source.current; // told of, not held
    window.DV_event();
    EXPECT_EQ(window.lbl_DV_events->text(), "3");
    source.frames.erase(source.frames.begin() + 2); // what was not written is not in the file
    --source.current;
    Hold_for(3);
    EXPECT_EQ(window.Frames_written(), 3);
    Expect_frames_on_disk(5);
}

TEST_F(Direct_write, ANewFileFromTheNameBoxTakesTheFrames)
{
    emit window.Cmd_newfile->clicked();
    ASSERT_TRUE(recording->File_open());
    Hold_for(2);
    Expect_frames_on_disk(2);
}

TEST_F(Direct_write, WithoutARecordingOrACameraNothingIsWrittenAndNothingBreaks)
{
    Form_test_direct_write bare;
    dialogs.Expect_message("no recording or no camera");
    emit bare.Command1->pressed();
    EXPECT_FALSE(bare.Writing());
    bare.DV_event();
    emit bare.Command1->released();
    EXPECT_EQ(bare.Lbl_DV_frames->text(), "0");
    EXPECT_TRUE(dialogs.All_used());

    // A recording that cannot be opened for appending: the hold writes nothing.
    dialogs.Allow_any_message();
    window.Text_Filename->setText(QString::fromStdString((home.path() / "missing.qs2").string()));
    emit window.Command1->pressed();
    EXPECT_FALSE(window.Writing());
}

TEST_F(Direct_write, ACameraWithoutAWholeFrameEndsTheHoldWithOneReport)
{
    test::Make_qs2(path, 0);
    source.frames[1].resize(1000);
    emit window.Command1->pressed();
    for (int k = 0; k < 4; ++k) {
        ++source.current;
        window.DV_event();
    }
    EXPECT_FALSE(window.Writing());
    emit window.Command1->released();
    EXPECT_EQ(reports.reports.size(), 1u);
    EXPECT_EQ(window.Frames_written(), 1);
}

TEST_F(Direct_write, TheHeatFramesStandSideBySideAndTheExtraRecordCarriesItsMarkers)
{
    const auto& f = window.Frm_heat;
    EXPECT_EQ(f[0]->title(), "Heat A");
    EXPECT_EQ(f[1]->title(), "Heat B");
    EXPECT_EQ(f[2]->title(), "Heat C");
    EXPECT_EQ(f[1]->x(), f[0]->x() + f[0]->width());
    EXPECT_EQ(f[2]->x(), f[1]->x() + f[1]->width());
    EXPECT_EQ(f[2]->y(), f[0]->y());
    const auto extra = window.DV_extra();
    ASSERT_EQ(extra.size(), 192u);
    EXPECT_TRUE(Compare_Marker(extra.subspan(0, 4), "SSCD"));
    EXPECT_TRUE(Compare_Marker(extra.subspan(8, 4), "CD01"));
    EXPECT_TRUE(Compare_Marker(extra.subspan(74, 4), "SSFC"));
    EXPECT_TRUE(Compare_Marker(extra.subspan(186, 4), "SSEM"));
}

TEST(No_camera, ShowsItsNoticeGivesOKTheFocusOnceAndOKHidesIt)
{
    test::Temp_home home;
    Form_Nocam form;
    EXPECT_EQ(form.windowTitle(), "No camera");
    EXPECT_EQ(form.Lbl_Nocam->text(), "Registred Goal Camera not found!");
    EXPECT_EQ(form.Cmd_Nocam_OK->text(), "OK");
    EXPECT_EQ(form.Cmd_Nocam_help->text(), "Help");
    form.show();
    form.Form_Activate();
    EXPECT_EQ(form.focusWidget(), form.Cmd_Nocam_OK);
    form.Cmd_Nocam_help->setFocus();
    form.Form_Activate(); // a later activation leaves the focus where it is
    EXPECT_EQ(form.focusWidget(), form.Cmd_Nocam_help);
    emit form.Cmd_Nocam_help->clicked();
    EXPECT_TRUE(form.isVisible());
    emit form.Cmd_Nocam_OK->clicked();
    EXPECT_FALSE(form.isVisible());
}

} // namespace
} // namespace wk
