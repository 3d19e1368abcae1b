// Choosing a source and reading and setting the properties.
#include "tests/capture_server/Capture_test_support.h"

#include <cstdlib>

namespace wk {
namespace {

using namespace com;
using test::Last_error;
using test::Property;
using test::Select;
using test::Set_property;

class VideoCap4_source_test : public ::testing::Test {
protected:
    std::shared_ptr<test::Listed_devices> Two_cameras_and_a_microphone()
    {
        auto d = std::make_shared<test::Listed_devices>();
        d->video = {{"1a2b3c", "Camera A", "DV camcorder", "/dev/video0"}, {"0", "Camera B", "Webcam", "/dev/video2"}};
        d->audio = {{"", "Line in", "Sound card", "hw:0"}};
        return d;
    }

    test::Com_test_home com;
    test::Graph_log log;
    Com_ptr<VideoCap4> object = test::Make_object(log);
};

TEST_F(VideoCap4_source_test, SourceTextsThatNameNothingGiveZeroAndAFileIsAFileByItsTypeAlone)
{
    EXPECT_EQ(Select(*object, ""), 0);
    EXPECT_EQ(Select(*object, ":1"), 0);
    EXPECT_EQ(Select(*object, "video"), 0);
    EXPECT_EQ(Select(*object, "file:"), 0); // no path
    EXPECT_EQ(Select(*object, "file:C:\\clips\\a.avi"), 0);
    EXPECT_EQ(Last_error(*object), "");

    EXPECT_EQ(Select(*object, "file:clip.avi"), 1);
    EXPECT_EQ(Property(*object, "Source"), "0");
    EXPECT_EQ(Select(*object, "file:/home/op/Wakeline_Data/heat 1.avi"), 1);
    EXPECT_EQ(Select(*object, "file:12"), 1); // a number is a file name too
    EXPECT_EQ(object->Run(), S_OK);
    EXPECT_EQ(log.last_source.source_type, "file");
    EXPECT_EQ(log.last_source.file_path, "12");
    EXPECT_EQ(log.last_source.device_number, 0);

    int32_t found = 5;
    EXPECT_EQ(object->SetSource(nullptr, &found), S_OK);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(object->SetSource(Bstr("file:a.avi").Get(), nullptr), E_POINTER);
}

TEST_F(VideoCap4_source_test, WithoutDevicesADeviceIsNotFoundAndTheLookupSaysWhy)
{
    EXPECT_EQ(Select(*object, "video:1"), 0);
    EXPECT_EQ(Last_error(*object), k_No_device_enumerator);
    EXPECT_EQ(Property(*object, "Source"), "0");
    EXPECT_EQ(Select(*object, "file:clip.avi"), 1);
    EXPECT_EQ(Last_error(*object), ""); // each SetSource starts afresh
    EXPECT_EQ(Select(*object, "File:clip.avi"), 0); // the type compares with case: no such category
    EXPECT_EQ(Last_error(*object), k_No_device_enumerator);
}

TEST_F(VideoCap4_source_test, ADeviceIsChosenByItsNumberOrByItsIdAndTellsItsNames)
{
    object = test::Make_object(log, Two_cameras_and_a_microphone());
    EXPECT_EQ(Select(*object, "video:1"), 1);
    EXPECT_EQ(Property(*object, "Source"), "1");
    EXPECT_EQ(Property(*object, "SourceId"), "1a2b3c");
    EXPECT_EQ(Property(*object, "sourceFriendlyName"), "Camera A");
    EXPECT_EQ(Property(*object, "SOURCEDESCRIPTION"), "DV camcorder");
    EXPECT_EQ(Property(*object, "SourceDevicePath"), "/dev/video0");

    EXPECT_EQ(Select(*object, "video:0"), 1); // 0 is no number: the device whose id is "0"
    EXPECT_EQ(Property(*object, "Source"), "2");
    EXPECT_EQ(Property(*object, "SourceFriendlyName"), "Camera B");

    EXPECT_EQ(Select(*object, "video:3"), 0);
    EXPECT_EQ(Last_error(*object), "");
    EXPECT_EQ(Property(*object, "Source"), "0"); // the earlier choice is gone
    EXPECT_EQ(Property(*object, "SourceFriendlyName"), "");
    EXPECT_EQ(Select(*object, "video:abc"), 0);
    EXPECT_EQ(Select(*object, "video:"), 0); // an empty id matches no device without one

    EXPECT_EQ(Select(*object, "audio:1"), 1);
    EXPECT_EQ(Property(*object, "SourceFriendlyName"), "Line in");
    EXPECT_EQ(object->Run(), S_OK);
    EXPECT_EQ(log.last_source.source_type, "audio");
}

TEST_F(VideoCap4_source_test, PropertiesAreNamedWithoutRegardToCaseAndReadAsText)
{
    EXPECT_EQ(Property(*object, "rgb"), "0");
    Set_property(*object, "rgb", "TrUe");
    EXPECT_EQ(Property(*object, "RGB"), "1");
    Set_property(*object, "Rgb", "yes");
    EXPECT_EQ(Property(*object, "rgb"), "0");
    Set_property(*object, "addtorot", "TRUE");
    EXPECT_EQ(Property(*object, "AddToROT"), "1");

    EXPECT_EQ(Property(*object, "AudioSampleDuration"), "40");
    const std::pair<const char*, const char*> durations[] = {
        {"12abc", "12"}, {"abc", "0"}, {"", "0"}, {"99999999999", "2147483647"},
        {"-123456789012345678901234567890", "-2147483648"}};
    for (const auto& [value, read] : durations) {
        Set_property(*object, "AudioSampleDuration", value);
        EXPECT_EQ(Property(*object, "audiosampleduration"), read) << value;
    }
    Set_property(*object, "AudioSampleDuration", " 80");
    Set_property(*object, "RGB", "true");
    EXPECT_EQ(object->Run(), S_OK);
    EXPECT_EQ(log.last_settings.audio_sample_duration, 80);
    EXPECT_TRUE(log.last_settings.rgb);

    Set_property(*object, "Source", "7"); // read-only names are ignored
    EXPECT_EQ(Property(*object, "Source"), "0");
    EXPECT_EQ(Property(*object, "NoSuchThing"), "");
    EXPECT_EQ(Property(*object, ""), "");
    EXPECT_EQ(object->SetProperty(nullptr, nullptr), S_OK);
    EXPECT_EQ(object->GetProperty(Bstr("RGB").Get(), nullptr), E_POINTER);
    EXPECT_EQ(object->GetLastError(nullptr), E_POINTER);
    EXPECT_EQ(Property(*object, "buildnumber"), Property(*object, "BuildNumber"));
}

TEST_F(VideoCap4_source_test, TheMediaTypeIsGivenByWhole64BitAddressesThatPointAtIt)
{
    EXPECT_EQ(Property(*object, "AM_MEDIA_TYPE"), "0");
    EXPECT_EQ(Property(*object, "Width"), "0"); // nothing connected yet
    ASSERT_EQ(object->Run(), S_OK);
    Media_type connected{Guid_literal("{73646976-0000-0010-8000-00AA00389B71}"),
                         Guid_literal("{64737664-0000-0010-8000-00AA00389B71}"), Video_info_header{720, 576, 24, 400000}};
    log.host->Set_connected_media_type(connected);
    EXPECT_EQ(Property(*object, "Width"), "720");
    EXPECT_EQ(Property(*object, "height"), "576");

    const auto* type = reinterpret_cast<const Media_type*>(std::strtoull(Property(*object, "AM_MEDIA_TYPE").c_str(), nullptr, 10));
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->subtype, connected.subtype);
    const auto* format =
        reinterpret_cast<const Video_info_header*>(std::strtoull(Property(*object, "VIDEOINFOHEADER").c_str(), nullptr, 10));
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->height, 576);
    EXPECT_EQ(format->average_time_per_frame, 400000);

    EXPECT_EQ(object->Stop(), S_OK);
    EXPECT_EQ(Property(*object, "AM_MEDIA_TYPE"), "0"); // freed with the graph
    EXPECT_EQ(Property(*object, "VIDEOINFOHEADER"), "0");
    EXPECT_EQ(Property(*object, "Height"), "0");
}

} // namespace
} // namespace wk
