#include "platform/Folders.h"
#include "platform/Mount_table.h"
#include "services/Module_system.h"
#include "services/Operator_boxes.h"
#include "tests/support/Test_support.h"

#include <QStandardPaths>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

TEST(Readable_sizes, FormatBytesRows)
{
    EXPECT_EQ(Format_bytes(999), "999 bytes");
    EXPECT_EQ(Format_bytes(1000), "0.98 KB");
    EXPECT_EQ(Format_bytes(1022976), "999 KB");
    EXPECT_EQ(Format_bytes(1048576), "1.00 MB");
    EXPECT_EQ(Format_bytes(50.0 * 1024 * 1024), "50.0 MB");
    EXPECT_EQ(Format_bytes(3.0 * 1024 * 1024 * 1024), "3.00 GB");
    EXPECT_EQ(Format_number(9.999), "10.00");
    EXPECT_EQ(Format_number(12.34), "12.3");
    EXPECT_EQ(Format_number(123.6), "124");
}

TEST(System_texts, EveryWindowsCodeWithACounterpartGetsThisSystemsText)
{
    // The codes this program meets, and codes nothing in it names: each its errno's text.
    EXPECT_EQ(Get_error_text(2), "No such file or directory\r\nDec: 2\tHex: 2");
    EXPECT_EQ(Get_error_text(5), "Permission denied\r\nDec: 5\tHex: 5");
    EXPECT_EQ(Get_error_text(112), "No space left on device\r\nDec: 112\tHex: 70");
    EXPECT_EQ(Get_error_text(87), "Invalid argument\r\nDec: 87\tHex: 57");
    EXPECT_EQ(Get_error_text(183), "File exists\r\nDec: 183\tHex: B7");
    EXPECT_EQ(Get_error_text(145), "Directory not empty\r\nDec: 145\tHex: 91");
    EXPECT_EQ(Get_error_text(1020), "Directory not empty\r\nDec: 1020\tHex: 3FC");
    EXPECT_EQ(Get_error_text(0), "Success\r\nDec: 0\tHex: 0");
    // The runtime's blocks: a sharing violation is a refused access, a bad executable format.
    EXPECT_EQ(Get_error_text(32), "Permission denied\r\nDec: 32\tHex: 20");
    EXPECT_EQ(Get_error_text(193), "Exec format error\r\nDec: 193\tHex: C1");
    // Where the system has no text: the blank line and the numbers, negative ones in 32 bits.
    EXPECT_EQ(Get_error_text(-5), "(No such error)\r\n\r\nDec: -5\tHex: FFFFFFFB");
    EXPECT_EQ(Get_error_text(37), "(No such error)\r\n\r\nDec: 37\tHex: 25");
    EXPECT_EQ(Get_error_text(1208), "(No such error)\r\n\r\nDec: 1208\tHex: 4B8");
}

TEST(System_texts, NulTrimmingAndTheVersion)
{
    EXPECT_EQ(Trim_At_Nul(std::string("  Service Pack 1 \0junk", 22)), "Service Pack 1");
    const std::string v = Get_OS_Version();
    ASSERT_GE(v.size(), 4u);
    EXPECT_EQ(v[v.size() - 3], '.'); // two-digit minor
}

TEST(Sorting, BubbleSortOrdersAndKeepsEqualItems)
{
    std::vector<std::string> items{"b", "", "a", "c", ""};
    Bubble_sort(items);
    EXPECT_EQ(items, (std::vector<std::string>{"", "", "a", "b", "c"}));
    std::vector<int> n{5, 4, 3, 2, 1};
    Bubble_sort(n);
    EXPECT_EQ(n, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(Recent_recordings, OnlyLargeQs2FilesCountNewestFirstOtherFilesLast)
{
    test::Temp_home home;
    const fs::path f = home.path() / "heats";
    fs::create_directory(f);
    auto make = [&](const std::string& name, uintmax_t size, int age_s) {
        { std::ofstream(f / name); }
        fs::resize_file(f / name, size);
        fs::last_write_time(f / name, fs::file_time_type::clock::now() - std::chrono::seconds(age_s));
    };
    make("old.qs2", 2 << 20, 3600);
    make("new.qs2", 2 << 20, 10);
    make("small.qs2", 1048576, 5);
    make("CAPS.QS2", 2 << 20, 5);
    make("other.avi", 2 << 20, 5);
    const auto list = fso_Youngest_files(f.string());
    ASSERT_EQ(list.size(), 5u);
    ASSERT_EQ(list[0].size(), 19u + 7);
    EXPECT_EQ(list[0].substr(19), "new.qs2");
    EXPECT_EQ(list[1].substr(19), "old.qs2");
    EXPECT_GT(list[0].substr(0, 19), list[1].substr(0, 19));
    EXPECT_EQ(list[2], "");
    EXPECT_EQ(list[4], "");
    EXPECT_TRUE(fso_Youngest_files((home.path() / "missing").string()).empty());
    EXPECT_TRUE(fso_Youngest_files("").empty());
}

TEST(Network_paths, MountTableFindsTheLongestMountAndNetworkShares)
{
    test::Temp_home home;
    const auto info = home.path() / "mountinfo";
    test::Write_file(info,
                     "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                     "40 22 0:50 / /mnt/race\\040day rw,relatime shared:1 - cifs //timing/heats rw\n"
                     "41 22 0:51 / /mnt/nfs rw - nfs4 server:/export rw\n");
    auto m = platform::Mount_of("/mnt/race day/2026/a.qs2", info.string());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->mount_point, "/mnt/race day");
    EXPECT_EQ(m->source, "//timing/heats");
    EXPECT_TRUE(m->Is_network());
    m = platform::Mount_of("/mnt/racing/x", info.string());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->mount_point, "/");
    EXPECT_FALSE(m->Is_network());
}

TEST(Network_paths, ALocalPathIsNotConnected)
{
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    dialogs.Expect_message("Error: Not Connected");
    EXPECT_EQ(Get_UNC_Name(home.path().string()), "");
    EXPECT_EQ(Get_Share_Path(home.path().string()), home.path().string());
}

TEST(Association, Qs2FilesGetAMimeTypeAndADesktopEntryForThisProgram)
{
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    dialogs.Expect_message("Associated the file extension .qs2 with this application!");
    ASSERT_TRUE(Associate_Qs2_Files(Operator_boxes_of_windows()));
    const std::string mime = test::Read_file(home.path() / ".local/share/mime/packages/qs2_ext.xml");
    EXPECT_NE(mime.find("<mime-type type=\"application/x-qs2_ext\">"), std::string::npos);
    EXPECT_NE(mime.find("<glob pattern=\"*.qs2\"/>"), std::string::npos);
    EXPECT_NE(mime.find("<comment>Wakeline data file</comment>"), std::string::npos);
    const std::string desktop = test::Read_file(home.path() / ".local/share/applications/wakeline-qs2_ext.desktop");
    EXPECT_NE(desktop.find("Exec=\"" + platform::Program_file().string() + "\" %f\n"), std::string::npos);
    EXPECT_NE(desktop.find("MimeType=application/x-qs2_ext;\n"), std::string::npos);
    // The icon named is one that is there: the program's own, installed beside it.
    const size_t icon = desktop.find("Icon=");
    ASSERT_NE(icon, std::string::npos);
    const std::string icon_path = desktop.substr(icon + 5, desktop.find('\n', icon) - icon - 5);
    EXPECT_TRUE(fs::is_regular_file(icon_path)) << icon_path;
    EXPECT_NE(test::Read_file(icon_path).find("<svg"), std::string::npos);
    // And the program opens the type by default, in this home's desktop settings.
    ASSERT_FALSE(QStandardPaths::findExecutable("xdg-mime").isEmpty()) << "the setup script installs xdg-utils";
    const std::string defaults = test::Read_file(home.path() / ".config/mimeapps.list");
    EXPECT_NE(defaults.find("application/x-qs2_ext=wakeline-qs2_ext.desktop"), std::string::npos) << defaults;
}

TEST(Association, AFailureIsReportedAsAFailure)
{
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    fs::create_directories(home.path() / ".local" / "share");
    test::Write_file(home.path() / ".local/share/mime", "a file where a folder must go");
    // The key's error is the whole answer: no confirmation follows it.
    dialogs.Expect_message("Error: Creating Key!");
    EXPECT_FALSE(Associate_Qs2_Files(Operator_boxes_of_windows()));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST(App_data, AnUnusableFolderGivesAFallbackSaidOnce)
{
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    fs::create_directories(home.path() / ".local" / "share");
    test::Write_file(home.path() / ".local/share/Wakeline", "blocked");
    dialogs.Expect_message("could not be used");
    const std::string a = AppUserData();
    const std::string b = AppUserData();
    EXPECT_EQ(a, b);
    EXPECT_TRUE(fs::is_directory(a));
    EXPECT_EQ(a.find("could not"), std::string::npos);
}

} // namespace
} // namespace wk
