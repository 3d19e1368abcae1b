#pragma once
// The capture station's preview window in a fresh home, with the viewer's recordings at hand.
#include "capture/Frm_fullscreen.h"
#include "platform/Av_frame_decoder.h"
#include "platform/Picture_box.h"
#include "services/Module_ini.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/viewer/Viewer_fixture.h"
#include "viewer/Cls_lane.h"

#include <QImage>

#include <cstring>
#include <string>
#include <vector>

namespace wk::test {

class Preview_window : public Viewer_window {
protected:
    void SetUp() override
    {
        Viewer_window::SetUp();
        Reset_preview_globals();
    }
    void TearDown() override
    {
        Viewer_window::TearDown();
        Reset_preview_globals();
    }
    static void Reset_preview_globals()
    {
        g_Num_lanes = 0;
        g_Goal_line = {};
        g_Show_Lanes = g_Flip_Lanes = g_Show_Goalline = g_Rotate = g_Lane_Zero = g_Loading_settings = false;
        g_Show_DV_metadata = false;
        g_Hit_Lane_number = g_Drag_Lane = -1;
        g_Active_Lane = g_Goal_handle = 0;
        g_Event_name.clear();
    }

    // Writes keys into section Canoe before the window loads.
    void Setting(const std::string& key, const std::string& value)
    {
        Write_Ini_Value("Canoe", key, value, Ini_file_path);
    }
    std::string Stored(const std::string& key) { return Read_Ini_Value("Canoe", key, Ini_file_path, "missing"); }

    // The window as the capture window shows it: run mode 1, marks and goal line switched on.
    Frm_fullscreen& Preview()
    {
        if (platform::Form_if_loaded<Frm_fullscreen>() == nullptr) {
            g_Run_mode = 1;
            g_Lane_marks_shown = g_Goalline_shown = true;
        }
        return platform::Form_instance<Frm_fullscreen>();
    }
    int32_t Preview_pixel(int x, int y) { return Preview().Picture_preview->hDC().GetPixel(x, y); }

    // A press, moves and a release with one button, as the picture reports them.
    void Drag(float from_x, float from_y, float to_x, float to_y, int button = 1)
    {
        Frm_fullscreen& p = Preview();
        p.Picture_preview_MouseDown(button, 0, from_x, from_y);
        p.Picture_preview_MouseMove(button, 0, (from_x + to_x) / 2, (from_y + to_y) / 2);
        p.Picture_preview_MouseMove(button, 0, to_x, to_y);
        p.Picture_preview_MouseUp(button, 0, to_x, to_y);
    }

    // One camera frame (the test picture of DV_fixtures) decoded as the camera object does.
    static QImage Camera_picture()
    {
        const auto frames = Make_DV_frames(1);
        platform::Av_frame_decoder decoder;
        QImage bgr(k_DV_width, k_DV_height, QImage::Format_BGR888);
        std::vector<uint8_t> bits(size_t(platform::Bgr_stride(k_DV_width)) * k_DV_height);
        EXPECT_TRUE(decoder.Decode(frames[0], bits.data(), k_DV_width, k_DV_height));
        // The decoder gives rows bottom first.
        for (int y = 0; y < k_DV_height; ++y)
            std::memcpy(bgr.scanLine(k_DV_height - 1 - y), bits.data() + size_t(y) * platform::Bgr_stride(k_DV_width),
                        size_t(k_DV_width) * 3);
        return bgr.convertToFormat(QImage::Format_RGB32);
    }
};

} // namespace wk::test
