#pragma once
// The viewer window in a fresh home, with recordings made as the capture station leaves them.
#include "platform/Forms.h"
#include "platform/Key_state.h"
#include "platform/Picture_box.h"
#include "platform/Registry_store.h"
#include "platform/Single_instance.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_canoe.h"
#include "services/Module_qsm_Globals.h"
#include "services/graphics/cDIBSection.h"
#include "tests/recording/Recording_maker.h"
#include "viewer/Frm_kanot_2.h"
#include "results/Result_rows.h"

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace wk::test {

namespace fs = std::filesystem;

// A test clock that also keeps what was slept.
class Play_clock final : public Manual_clock {
public:
    void Sleep_ms(int32_t ms) override
    {
        sleeps.push_back(ms);
        if (on_sleep) on_sleep();
        Manual_clock::Sleep_ms(ms);
    }
    std::vector<int32_t> sleeps;
    std::function<void()> on_sleep; // what a test looks at while the program waits
};

// A recording header as the capture station leaves it: lanes, goal line, display flags.
struct Heat_setup {
    int16_t lanes = 4;
    int16_t first_lane = 1;
    Goal_line_coords goal{300, 20, 300, 560};
    bool rotated = false;
    int16_t lap = 0;
    int frames = 10;
    bool locked = false;
    bool wide = false; // 16:9 in the frames' source control packs
};

// Marks every source control pack (0x61) of a DV frame as 16:9 full format.
inline void Make_wide(DV_frame& f)
{
    for (size_t block = 0; block + 80 <= f.size(); block += 80) {
        if ((f[block] >> 5) != 2) continue; // VAUX blocks only
        for (size_t pack = block + 3; pack + 5 <= block + 80; pack += 5)
            if (f[pack] == 0x61) f[pack + 2] = uint8_t((f[pack + 2] & ~0x07) | 0x02);
    }
}

// One lane's stored result: lane index, time (or a code), click time, finish field.
struct Lane_result {
    int16_t lane;
    int32_t time;
    int32_t click;
    int32_t field;
};

class Viewer_window : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Install_end_program([](int code) { throw platform::End_requested{code}; });
        fs::create_directories(home.App_data());
        // The finish reader runs where a test asks for it; its proposals would draw on pictures.
        Write_file(home.App_data() / "Wakeline.ini", "[Canoe]\r\nread_finish=False\r\n");
        platform::Registry_store().Set_value(platform::HKEY_LOCAL_MACHINE, k_Drivers32_key, "vidc.dvsd",
                                             platform::Registry_store::Text_value("dv.dll"));
        Reset_globals();
    }
    void TearDown() override
    {
        for (auto* f : platform::Loaded_forms()) f->Unload_form();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::Release_instance_lock();
        platform::Install_end_program(nullptr);
        platform::App().command_line.clear();
        platform::Release_all_keys();
        Reset_globals();
        Reset_Initialization_for_tests();
    }
    static void Reset_globals()
    {
        g_Recording.reset();
        g_Lanes.clear();
        g_Run_mode = 0;
        g_Lanes_in_use = 0;
        g_Exiting = false;
        g_Capture_running = false;
        g_Frame_DIB.reset();
        g_Goalline_shown = g_Lane_marks_shown = g_Goalline_dimmed = false;
        g_File_Goal_line = {};
        Install_result_rows(nullptr);
    }

    std::string Make_heat(const std::string& name, const Heat_setup& s = {})
    {
        const fs::path path = home.path() / name;
        Make_qs2(path, s.frames, 1, [&](DV_frame& f, int k, int) {
            Write_DV_extra_data(f, {.stamp_tick = 100000 + 40 * k, .heat_start = 100000, .lap_count = s.lap});
            if (s.wide) Make_wide(f);
        });
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path.string()));
        Cls_XML_header& h = rec.Header();
        h.Num_Lanes(s.lanes);
        h.Start_lane(s.first_lane);
        for (int16_t i = 1; i <= std::min<int16_t>(s.lanes, 15); ++i) h.Lane_pos(i, 100 + 40 * i, 60 + 100 * i);
        h.Set_Goalline(s.goal.x1, s.goal.y1, s.goal.x2, s.goal.y2);
        h.Show_goalline(true);
        h.Lanes_Visible(true);
        h.Event_name("Test Regatta");
        h.Heat_ID(1, "7");
        h.Lanes_locked(s.locked);
        EXPECT_TRUE(rec.Write_XML_header());
        if (s.rotated) EXPECT_TRUE(rec.rotated(true));
        rec.Close_File();
        return path.string();
    }

    // Stores the results in heat 1 of the recording, with whatever more sets in its header.
    void Store_results(const std::string& path, const std::vector<Lane_result>& results,
                       const std::function<void(cls_AVI_handler&)>& more = {})
    {
        cls_AVI_handler rec;
        EXPECT_TRUE(rec.Open_File(path));
        for (const auto& r : results) {
            rec.Heat_result(1, r.lane, r.time);
            rec.Heat_Clicktime(1, r.lane, r.click);
            rec.Heat_Goalfield(1, r.lane, r.field);
        }
        if (more) more(rec);
        EXPECT_TRUE(rec.Write_XML_header());
    }

    Frm_kanot_2& Viewer() { return platform::Form_instance<Frm_kanot_2>(); }
    bool Open(const std::string& path)
    {
        Viewer().Open_Recording(path);
        return g_Recording && g_Recording->File_open();
    }
    std::string Caption() { return Viewer().windowTitle().toStdString(); }
    int32_t Pixel(int x, int y) { return Viewer().Picture_large->hDC().GetPixel(x, y); }

    Temp_home home;
    Play_clock clock;
    Scripted_dialogs dialogs;
    Captured_reports reports;
    Plain_result_rows rows;
};


} // namespace wk::test
