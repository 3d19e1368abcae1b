// The mode a camera without DV is asked for, from the caps it offers, and how it is recorded.
#include "capture_server/Camera_mode.h"
#include "capture_server/Gst_support.h"
#include "capture_server/Picture_scaler.h"

#include <gtest/gtest.h>

namespace wk {
namespace {

struct Mode_case {
    const char* name;
    const char* offered;
    // Expected: none when media is null.
    const char* media;
    int width, height, rate_n, rate_d;
    Field_mode fields;
    bool wide;
};

TEST(Camera_mode_test, TheHighestRateUpToFiftyThenTheLargestPicture)
{
    ASSERT_TRUE(Start_gstreamer());
    const auto two = Field_mode::two_pictures, one = Field_mode::one_picture;
    const Mode_case cases[] = {
        {"50 before a larger 30", "video/x-raw,format=YUY2,width=640,height=480,framerate=50/1; "
                                  "video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1",
         "video/x-raw", 640, 480, 50, 1, two, false},
        {"the larger of two at 25", "image/jpeg,width=1280,height=720,framerate=25/1; "
                                    "video/x-raw,format=YUY2,width=640,height=480,framerate=25/1",
         "image/jpeg", 1280, 720, 25, 1, one, true},
        {"60 left for 30 when both are offered", "video/x-raw,format=YUY2,width=640,height=480,framerate={60/1,30/1}",
         "video/x-raw", 640, 480, 30, 1, one, false},
        {"only 60: it is brought to 50", "image/jpeg,width=1920,height=1080,framerate=60/1", "image/jpeg", 1920, 1080,
         60, 1, two, true},
        {"a range is taken at 50", "video/x-raw,format=I420,width=[160,800],height=[120,600],framerate=[1/1,120/1]",
         "video/x-raw", 800, 600, 50, 1, two, false},
        {"a range is taken no larger than full HD", "image/jpeg,width=[16,65535],height=[16,65535],framerate=30/1",
         "image/jpeg", 1920, 1080, 30, 1, one, true},
        {"raw before JPEG of the same mode", "image/jpeg,width=640,height=480,framerate=50/1; "
                                             "video/x-raw,format=NV12,width=640,height=480,framerate=50/1",
         "video/x-raw", 640, 480, 50, 1, two, false},
        {"NTSC rates", "video/x-raw,format=YUY2,width=720,height=480,framerate={60000/1001,30000/1001}",
         "video/x-raw", 720, 480, 30000, 1001, one, false},
        {"a rate not told", "video/x-raw,format=YUY2,width=640,height=480", "video/x-raw", 640, 480, 0, 1, one, false},
        {"anamorphic pixels make it wide", "video/x-raw,format=UYVY,width=720,height=576,framerate=25/1,"
                                           "pixel-aspect-ratio=64/45",
         "video/x-raw", 720, 576, 25, 1, one, true},
        {"pictures in a graphics card's memory are left", "video/x-raw(memory:DMABuf),format=NV12,width=1920,"
                                                           "height=1080,framerate=50/1; "
                                                           "video/x-raw,format=YUY2,width=640,height=480,framerate=25/1",
         "video/x-raw", 640, 480, 25, 1, one, false},
        {"a raw format the scaler does not know is passed over",
         "video/x-raw,format=v210,width=1920,height=1080,framerate=50/1; "
         "video/x-raw,format=YUY2,width=640,height=480,framerate=25/1",
         "video/x-raw", 640, 480, 25, 1, one, false},
        {"of a list of formats, the first the scaler knows", "video/x-raw,format={v210,NV12,YUY2},width=640,"
                                                             "height=480,framerate=50/1",
         "video/x-raw", 640, 480, 50, 1, two, false},
        {"only formats it does not know", "video/x-raw,format=v210,width=640,height=480,framerate=50/1", nullptr, 0, 0,
         0, 0, one, false},
        {"nothing decodable", "video/x-h264,width=1920,height=1080,framerate=30/1", nullptr, 0, 0, 0, 0, one, false},
        {"no caps at all", "EMPTY", nullptr, 0, 0, 0, 0, one, false},
    };
    for (const auto& c : cases) {
        Caps_ref caps(gst_caps_from_string(c.offered));
        ASSERT_TRUE(caps) << c.name;
        const auto mode = Choose_camera_mode(caps.get());
        if (!c.media) {
            EXPECT_FALSE(mode) << c.name;
            continue;
        }
        ASSERT_TRUE(mode) << c.name;
        EXPECT_EQ(mode->media, c.media) << c.name;
        EXPECT_EQ(mode->width, c.width) << c.name;
        EXPECT_EQ(mode->height, c.height) << c.name;
        EXPECT_EQ(mode->rate_n, c.rate_n) << c.name;
        EXPECT_EQ(mode->rate_d, c.rate_d) << c.name;
        EXPECT_EQ(Field_mode_of(*mode), c.fields) << c.name;
        EXPECT_EQ(Is_wide(*mode), c.wide) << c.name;
        // Raw pictures come in a format the scaler converts.
        if (mode->media == "video/x-raw") EXPECT_TRUE(Av_format_of(mode->format.c_str())) << c.name << ": " << mode->format;
        // The caps the camera is asked for are that one mode.
        Caps_ref asked(gst_caps_from_string(mode->caps.c_str()));
        ASSERT_TRUE(asked) << c.name << ": " << mode->caps;
        EXPECT_TRUE(gst_caps_is_fixed(asked.get())) << mode->caps;
        EXPECT_TRUE(gst_caps_can_intersect(asked.get(), caps.get())) << mode->caps;
    }
}

TEST(Camera_mode_test, TheTextSaysHowTheCameraIsRecorded)
{
    ASSERT_TRUE(Start_gstreamer());
    const std::pair<const char*, const char*> cases[] = {
        {"video/x-raw,format=YUY2,width=640,height=480,framerate=50/1",
         "640x480 raw at 50 a second, recorded 4:3 as PAL DV, two pictures a frame (one a field, 20 ms apart)"},
        {"image/jpeg,width=1280,height=720,framerate=60/1",
         "1280x720 JPEG at 60 a second, recorded 16:9 as PAL DV, two pictures a frame (one a field, 20 ms apart), "
         "dropping pictures down to 50 a second"},
        {"video/x-raw,format=YUY2,width=640,height=480,framerate=30000/1001",
         "640x480 raw at 30000/1001 a second, recorded 4:3 as PAL DV, one picture a frame (both fields), dropping "
         "pictures down to 25 a second"},
    };
    for (const auto& [offered, text] : cases) {
        Caps_ref caps(gst_caps_from_string(offered));
        const auto mode = Choose_camera_mode(caps.get());
        ASSERT_TRUE(mode) << offered;
        EXPECT_EQ(Camera_mode_text(*mode), text);
    }
}

TEST(Camera_mode_test, WhatCannotBeRecordedIsNamed)
{
    ASSERT_TRUE(Start_gstreamer());
    const std::pair<const char*, const char*> cases[] = {
        {"video/x-raw,format=v210,width=640,height=480; video/x-raw,format=v210,width=320,height=240; "
         "video/x-h264,width=1920,height=1080",
         "video/x-raw (v210), video/x-h264"},
        {"video/x-raw,format={v210,P010_10LE},width=640,height=480", "video/x-raw ({ (string)v210, (string)P010_10LE })"},
        {"EMPTY", "nothing"},
    };
    for (const auto& [offered, text] : cases) {
        Caps_ref caps(gst_caps_from_string(offered));
        EXPECT_EQ(Offered_forms(caps.get()), text) << offered;
    }
}

} // namespace
} // namespace wk
