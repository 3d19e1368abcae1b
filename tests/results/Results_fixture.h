#pragma once
// The results window beside the viewer on a heat with stored results.
#include "platform/Key_state.h"
#include "results/Frm_results.h"
#include "tests/viewer/Viewer_fixture.h"
#include "tools/Demo_heat.h"
#include "viewer/Cls_lane.h"

#include <QLabel>
#include <QSlider>

#include <functional>
#include <string>
#include <vector>

namespace wk::test {

// A clock that lets go of a held button when the hold time is over.
class Release_clock final : public Manual_clock {
public:
    void Sleep_ms(int32_t ms) override
    {
        Manual_clock::Sleep_ms(ms);
        if (release && platform::Tick_difference(tick, pressed_at) >= hold) {
            auto r = std::move(release);
            release = nullptr;
            r();
        }
    }
    std::function<void()> release;
    int32_t pressed_at = 0, hold = 0;
};

class Results_window : public Viewer_window {
protected:
    void TearDown() override
    {
        Install_result_rows(nullptr);
        Viewer_window::TearDown();
    }
    // A locked heat of 40 frames with results stored in it, open in the viewer beside the window.
    std::string Open_heat(const std::vector<Lane_result>& results, int16_t lanes = 8,
                          const std::string& name = "Heat1.qs2",
                          const std::function<void(cls_AVI_handler&)>& more = {})
    {
        Heat_setup s;
        s.frames = 40;
        s.lanes = lanes;
        s.locked = true;
        const std::string path = Make_heat(name, s);
        Store_results(path, results, more);
        Install_result_rows(&Window());
        EXPECT_TRUE(Open(path));
        return path;
    }
    // Lanes 2 and 5 with times (finish fields 61 and 71), DNS on lane 7.
    std::string Open_usual_heat()
    {
        return Open_heat({{2, 1230, 5000, 61}, {5, 1430, 5100, 71}, {7, Time_DNS, 5200, 0}});
    }
    // The demo heat open beside the window, every boat clicked at its finish with S held.
    demo::Result Open_clicked_demo_heat(const std::string& name, int lanes)
    {
        const std::string path = (home.path() / name).string();
        const demo::Result heat = demo::Make_demo_heat(path, {.lanes = lanes});
        Install_result_rows(&Window());
        EXPECT_TRUE(Open(path));
        platform::Set_key_down('S', true);
        for (const auto& c : heat.crossings) {
            Viewer().Slider_play->setValue(2 * (c.frame - 1) + c.field);
            Viewer().Slider_play_Scroll();
            const Cls_lane& mark = *g_Lanes[size_t(c.lane - 1)];
            Viewer().Picture_large_MouseDown(1, 0, float(mark.X()), float(mark.Y()));
            Viewer().Picture_large_MouseUp(1, 0, 0, 0);
        }
        platform::Set_key_down('S', false);
        return heat;
    }
    Frm_results& Window() { return platform::Form_instance<Frm_results>(); }
    std::string Text(QLabel* l) { return l->text().toStdString(); }
    std::vector<std::string> Row(int r)
    {
        return {Text(Window().Lbl_result_rank_labels[size_t(r)]), Text(Window().Lbl_result_lane_labels[size_t(r)]),
                Text(Window().Lbl_result_time_labels[size_t(r)]),
                Text(Window().Lbl_result_delta_time_labels[size_t(r)])};
    }
    std::vector<std::string> Parts(const std::array<QLabel*, Frm_results::k_Parts>& labels)
    {
        std::vector<std::string> v;
        for (QLabel* l : labels) v.push_back(Text(l));
        return v;
    }
    int32_t Stored_correction(const std::string& path)
    {
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        return rec.Heat_Start_Correction(1);
    }
    // Holds a plus or minus button for hold_ms on the test clock.
    void Hold(int button, int32_t hold_ms)
    {
        Release_clock clock;
        clock.pressed_at = clock.tick;
        clock.hold = hold_ms;
        clock.release = [&] { Window().Cmd_time_MouseUp(button); };
        Window().Cmd_time_MouseDown(button);
    }
};

} // namespace wk::test
