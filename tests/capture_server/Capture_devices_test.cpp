// Finding the devices: FireWire DV cameras in sysfs, and the fake devices tests run on.
#include "capture_server/Fake_devices.h"
#include "capture_server/Firewire_cameras.h"
#include "capture_server/Gst_device_catalog.h"
#include "tests/capture_server/Capture_test_support.h"

#include <gst/gst.h>

#include <fstream>

namespace wk {
namespace {

namespace fs = std::filesystem;

void Write_attribute(const fs::path& folder, const char* name, const std::string& value)
{
    fs::create_directories(folder);
    std::ofstream(folder / name) << value << "\n";
}

TEST(Firewire_cameras_test, AvcUnitsAreCamerasNamedByTheirNodeAndIdentifiedByTheirGuid)
{
    test::Temp_home home;
    const fs::path bus = home.path() / "devices";
    Write_attribute(bus / "fw0", "guid", "0x0011223344556677"); // the computer's own controller
    Write_attribute(bus / "fw1", "guid", "0x0800460104a1b2c3");
    Write_attribute(bus / "fw1", "vendor_name", "Sony");
    Write_attribute(bus / "fw1.0", "specifier_id", "0x00a02d");
    Write_attribute(bus / "fw1.0", "version", "0x010001");
    Write_attribute(bus / "fw1.0", "model_name", "DCR-TRV900E");
    Write_attribute(bus / "fw1.1", "specifier_id", "0x00a02d"); // a second AV/C unit: same camera
    Write_attribute(bus / "fw1.1", "version", "0x010001");
    Write_attribute(bus / "fw2", "guid", "0x0000000100000002"); // a disk (SBP-2)
    Write_attribute(bus / "fw2.0", "specifier_id", "0x00609e");
    Write_attribute(bus / "fw2.0", "version", "0x010483");
    Write_attribute(bus / "fw3", "guid", "0x0000000a0000000b"); // a camera that tells no names
    Write_attribute(bus / "fw3.0", "specifier_id", "0x00a02d");
    Write_attribute(bus / "fw3.0", "version", "0x010001");
    Write_attribute(bus / "fw4.0", "specifier_id", "0x00a02d"); // a unit whose node is gone
    Write_attribute(bus / "fw4.0", "version", "0x010001");
    Write_attribute(bus / "fw5", "guid", "junk");
    Write_attribute(bus / "fw5.0", "specifier_id", "0x00a02d");
    Write_attribute(bus / "fw5.0", "version", "0x010001");

    const auto cameras = Find_firewire_cameras(bus);
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(cameras[0].guid, 0x0000000a0000000bu); // by GUID
    EXPECT_EQ(cameras[0].model, "");
    EXPECT_EQ(cameras[1].guid, 0x0800460104a1b2c3u);
    EXPECT_EQ(cameras[1].vendor, "Sony");
    EXPECT_EQ(cameras[1].model, "DCR-TRV900E");
    EXPECT_EQ(cameras[1].sysfs_path, (bus / "fw1").string());
    EXPECT_TRUE(Find_firewire_cameras(home.path() / "no such bus").empty());
}

TEST(Firewire_cameras_test, TheIdIsBothWordsOfTheGuidInHexWithoutLeadingZeros)
{
    EXPECT_EQ(Firewire_id_text(0x0800460104a1b2c3u), "80046014a1b2c3");
    EXPECT_EQ(Firewire_id_text(0x0000000a0000000bu), "ab");
    EXPECT_EQ(Firewire_id_text(0), "00");
    EXPECT_EQ(Firewire_id_text(0xFFFFFFFF00000001u), "ffffffff1");
}

TEST(Fake_devices_test, TheVariableNamesCountsOfEachKindInAnyOrder)
{
    EXPECT_EQ(Parse_fake_devices("video:2,audio:1"), (Fake_device_counts{2, 0, 1}));
    EXPECT_EQ(Parse_fake_devices("audio:3"), (Fake_device_counts{0, 0, 3}));
    EXPECT_EQ(Parse_fake_devices("webcam:1,Video:4"), (Fake_device_counts{4, 1, 0}));
    EXPECT_EQ(Parse_fake_devices("video:12"), (Fake_device_counts{12, 0, 0}));
    EXPECT_EQ(Parse_fake_devices("video:-3,audio:500"), (Fake_device_counts{0, 0, 99}));
    EXPECT_EQ(Parse_fake_devices("video:1:fail=50,audio:1"), (Fake_device_counts{1, 0, 1, 50}));
    EXPECT_EQ(Parse_fake_devices("video:2:fail=-4"), (Fake_device_counts{2, 0, 0, 0}));
    EXPECT_EQ(Parse_fake_devices("video,tape:3,:2,,audio:x"), (Fake_device_counts{}));
    EXPECT_EQ(Parse_fake_devices(""), (Fake_device_counts{}));
    // Webcams: 50 pictures a second of 640 x 480 unless told.
    EXPECT_EQ(Parse_fake_devices("webcam:2:25"), (Fake_device_counts{0, 2, 0, 0, 25, false}));
    EXPECT_EQ(Parse_fake_devices("webcam:1:30:WIDE,audio:1"), (Fake_device_counts{0, 1, 1, 0, 30, true}));
    EXPECT_EQ(Parse_fake_devices("webcam:1:wide:fail=7"), (Fake_device_counts{0, 1, 0, 7, 50, true}));
    EXPECT_EQ(Parse_fake_devices("webcam:1:jpeg:25"), (Fake_device_counts{0, 1, 0, 0, 25, false, true}));
    EXPECT_EQ(Parse_fake_devices("webcam:1:0"), (Fake_device_counts{0, 1, 0, 0, 1, false}));
    EXPECT_EQ(Parse_fake_devices("webcam:1:900"), (Fake_device_counts{0, 1, 0, 0, 100, false}));
    EXPECT_EQ(Parse_fake_devices("video:1:25"), (Fake_device_counts{1, 0, 0, 0, 50, false}));
}

TEST(Fake_devices_test, TheCatalogListsTheFakeDevicesOnceForItsLifeInsteadOfTheMachines)
{
    test::Environment_scope fake(k_Fake_devices_variable, "video:2,webcam:1,audio:1");
    Gst_device_catalog catalog;
    const auto video = catalog.Devices(Device_category::video);
    ASSERT_EQ(video.size(), 3u);
    EXPECT_EQ(video[0].friendly_name, "Fake DV camera 1");
    EXPECT_EQ(video[0].id_text, "fa4e00001");
    EXPECT_EQ(video[0].kind, Source_kind::dv_camera);
    EXPECT_EQ(video[1].device_path, "fake:video:2");
    EXPECT_EQ(video[2].friendly_name, "Fake webcam 3");
    EXPECT_EQ(video[2].kind, Source_kind::rgb_camera);
    const auto audio = catalog.Devices(Device_category::audio);
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0].kind, Source_kind::audio_input);
    EXPECT_TRUE(catalog.Devices(Device_category::none).empty());

    test::Environment_scope more(k_Fake_devices_variable, "video:5");
    EXPECT_EQ(catalog.Devices(Device_category::video).size(), 3u); // not looked for again
    EXPECT_EQ(Gst_device_catalog().Devices(Device_category::video).size(), 5u);

    GstElement* source = catalog.Make_source(Device_category::video, 1);
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(GST_IS_BIN(source));
    gst_object_unref(gst_object_ref_sink(source));
    EXPECT_EQ(catalog.Make_source(Device_category::video, 4), nullptr);
    EXPECT_EQ(catalog.Make_source(Device_category::video, 0), nullptr);
    EXPECT_EQ(catalog.Make_source(Device_category::none, 1), nullptr);
}

TEST(Fake_devices_test, ADeviceIsChosenByTheIdItWasGivenAndBringsItsKindToTheSelection)
{
    test::Environment_scope fake(k_Fake_devices_variable, "video:2,webcam:1");
    Gst_device_catalog catalog;
    Source_selection selection;
    ASSERT_TRUE(Find_device(catalog, Device_category::video, 0, "fa4e00003", selection));
    EXPECT_EQ(selection.device_number, 3);
    EXPECT_EQ(selection.kind, Source_kind::rgb_camera);
    EXPECT_EQ(selection.source_type, "video");
    EXPECT_FALSE(Find_device(catalog, Device_category::video, 0, "FA4E00003", selection)); // ids compare with case
}

// Whatever this machine has (often nothing): each device is listed with the graph it needs, and
// two lookups agree on the order.
TEST(Machine_devices_test, WithoutFakeDevicesTheMachinesDevicesAreListedInAStableOrder)
{
    test::Environment_scope machine(k_Fake_devices_variable, std::nullopt);
    Gst_device_catalog first, second;
    const auto video = first.Devices(Device_category::video);
    const auto audio = first.Devices(Device_category::audio);
    for (const auto& d : video) {
        EXPECT_TRUE(d.kind == Source_kind::dv_camera || d.kind == Source_kind::rgb_camera) << d.friendly_name;
        EXPECT_FALSE(d.friendly_name.empty());
    }
    for (const auto& d : audio) EXPECT_EQ(d.kind, Source_kind::audio_input) << d.friendly_name;
    const auto names = [](const std::vector<Device_info>& list) {
        std::vector<std::string> n;
        for (const auto& d : list) n.push_back(d.friendly_name + "|" + d.device_path + "|" + d.id_text);
        return n;
    };
    EXPECT_EQ(names(second.Devices(Device_category::video)), names(video));
    EXPECT_EQ(names(second.Devices(Device_category::audio)), names(audio));
}

} // namespace
} // namespace wk
