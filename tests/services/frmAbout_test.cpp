// The About window filled as Show_About fills it, with and without the capture server and the
// interface kit, and its clicks.
#include "comlite/Co_create.h"
#include "comlite/Server_entry_points.h"
#include "platform/Interface_kit.h"
#include "platform/Key_state.h"
#include "platform/Picture_box.h"
#include "platform/Print_target.h"
#include "platform/Registry_store.h"
#include "services/Module_qsm_Globals.h"
#include "platform/Single_instance.h"
#include "services/Form_check_software.h"
#include "services/Program_pictures.h"
#include "services/frmAbout.h"
#include "tests/comlite/Com_test_home.h"
#include "tests/support/Folder_watch.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>

#include <dlfcn.h>

#include <chrono>
#include <fstream>
#include <regex>

namespace wk {
namespace {

namespace fs = std::filesystem;

// Where the window asked the desktop to open something.
class Url_catcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

struct Test_kit : platform::Interface_kit {
    std::string Library_version() const override { return "Phidget22 - Version 1.19 - test kit"; }
};

class About_window : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_AppUserData = (com.home.path() / "appdata").string();
        g_DV_Codec = "dvsd";
        g_Edition_text = k_Edition_text;
        platform::Install_interface_kit_factory([] { return std::make_shared<Test_kit>(); });
    }
    void TearDown() override
    {
        platform::Install_interface_kit_factory(nullptr);
        platform::Install_printer_port(nullptr);
        Install_debug_menu_revealer(nullptr);
        platform::Set_key_down(platform::VK_CONTROL, false);
        com::Co_free_unused_libraries();
        if (library) dlclose(library);
        for (auto* f : platform::Loaded_forms()) f->Unload_form();
    }
    void Register_capture_server()
    {
        library = dlopen(BRIXCAP4_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        auto* reg = reinterpret_cast<com::Dll_register_server_fn*>(dlsym(library, "DllRegisterServer"));
        ASSERT_EQ(reg(), com::S_OK);
    }
    frmAbout& Shown()
    {
        Show_About();
        return platform::Form_instance<frmAbout>();
    }
    static std::string Text(const QLabel* l) { return l->text().toStdString(); }

    test::Com_test_home com;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    void* library = nullptr;
};

TEST_F(About_window, WithTheCaptureServerRegisteredItsBuildNumberIsShown)
{
    Register_capture_server();
    frmAbout& about = Shown();
    const std::regex build(R"(^BrixCap: [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}$)");
    EXPECT_TRUE(std::regex_match(Text(about.Lbl_brixcap), build)) << Text(about.Lbl_brixcap);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(About_window, WithoutTheCaptureServerTheLineStaysEmptyAndNothingIsReported)
{
    frmAbout& about = Shown();
    EXPECT_EQ(Text(about.Lbl_brixcap), "");
    EXPECT_TRUE(reports.reports.empty());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(about.isVisible());
}

TEST_F(About_window, ShowAboutFillsEveryLineAndShowsTheWindowWithoutWaiting)
{
    frmAbout& about = Shown();
    EXPECT_EQ(about.windowTitle().toStdString(), "About Wakeline, Full version");
    EXPECT_EQ(Text(about.Lblversion), "Version 3.0.8, Compile date: 2010-04-18 11:11");
    EXPECT_EQ(Text(about.Lbl_fourcc), "DV fourcc: dvsd");
    EXPECT_EQ(Text(about.Lbldescription), "Wakeline, Full version");
    EXPECT_EQ(about.Description(), "Wakeline, full version");
    EXPECT_EQ(Text(about.Lbl_filedate).rfind(".exe Filedate = ", 0), 0u);
    EXPECT_EQ(Text(about.Lbl_BRixGraphics), "BrixGraphics: Wakeline image library 1.0");
    EXPECT_EQ(Text(about.Label_phidget_version), "Phidget22 - Version 1.19 - test kit");
    EXPECT_TRUE(std::regex_match(Text(about.Lbl_IP), std::regex(R"(^Local IP address = [0-9]+(\.[0-9]+){3}$)")))
        << Text(about.Lbl_IP);
    EXPECT_EQ(Text(about.Label_userapp), "User appdata at: " + g_AppUserData);
    EXPECT_EQ(about.Product_Logo(), "WAKELINE_LOGGA");
    EXPECT_EQ(about.Picture_product->Scale_width(), 360);
    EXPECT_FALSE(about.isModal());
    about.Command_OK_Click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(platform::Form_if_loaded<frmAbout>()); // hidden, still loaded
}

TEST_F(About_window, NoInterfaceKitIsSaidInItsLine)
{
    platform::Install_interface_kit_factory(
        []() -> std::shared_ptr<platform::Interface_kit> { throw std::runtime_error("no kit library"); });
    g_DV_Codec.clear();
    frmAbout& about = Shown();
    EXPECT_EQ(Text(about.Label_phidget_version), "No Phidget driver found");
    EXPECT_EQ(Text(about.Lbl_fourcc), "");
    // Not installed at all says the same.
    platform::Install_interface_kit_factory([] { return std::shared_ptr<platform::Interface_kit>(); });
    about.Display_Phidgets();
    EXPECT_EQ(Text(about.Label_phidget_version), "No Phidget driver found");
}

TEST_F(About_window, TheProgramDrawsItsOwnPicturesAndRefusesUnknownOnes)
{
    const QImage product = Program_picture("WAKELINE_LOGGA");
    ASSERT_EQ(product.size(), QSize(360, 90));
    EXPECT_EQ(product.pixelColor(329, 45), QColor(214, 30, 36)); // the finish line
    const QImage company = Program_picture("COMPANY_LOGGA");
    EXPECT_EQ(company.pixelColor(20, 12), QColor(Qt::black));
    EXPECT_EQ(company.pixelColor(31, 12), QColor(Qt::white));
    EXPECT_EQ(test::Error_number([] { Program_picture("NO_SUCH_PICTURE"); }), 326);
}

TEST_F(About_window, ClickingTheDataFolderOpensItInTheFileManager)
{
    Url_catcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    frmAbout& about = Shown();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(about.Label_userapp, &release);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.opened.size(), 1u);
    EXPECT_EQ(catcher.opened[0].toLocalFile().toStdString(), g_AppUserData);
}

TEST_F(About_window, PrintingPutsTheWindowsPictureOnThePageAndNoPrinterIsSaid)
{
    frmAbout& about = Shown();
    dialogs.Expect_message("No printer to print on!");
    EXPECT_FALSE(about.item_print_Click());

    struct Port : platform::Printer_port {
        std::shared_ptr<platform::Recording_print_target> page = std::make_shared<platform::Recording_print_target>();
        platform::Printer_facts Facts() override { return {1, 11904, 16834}; }
        std::shared_ptr<platform::Print_target> Open_printer() override { return page; }
    } port;
    platform::Install_printer_port(&port);
    EXPECT_TRUE(about.item_print_Click());
    ASSERT_EQ(port.page->calls.size(), 2u);
    const std::string size = std::to_string(about.width()) + "x" + std::to_string(about.height());
    EXPECT_EQ(port.page->calls[0].rfind("PaintPicture " + size + " at 0,0", 0), 0u) << port.page->calls[0];
    EXPECT_EQ(port.page->calls[1], "EndDoc");
}

TEST_F(About_window, OnlyACtrlClickOnTheCompanyPictureRevealsTheDebugMenu)
{
    int reveals = 0;
    Install_debug_menu_revealer([&] { ++reveals; });
    frmAbout& about = Shown();
    about.Picture_company_Click();
    EXPECT_EQ(reveals, 0);
    platform::Set_key_down(platform::VK_CONTROL, true);
    about.Picture_company_Click();
    about.Form_Click();
    EXPECT_EQ(reveals, 2);
}

TEST_F(About_window, RegistryValuesReadAsTextWithNumbersInHexadecimal)
{
    platform::Registry_store store;
    platform::Reg_value dword{platform::REG_DWORD, {0x1F, 0xAB, 0, 0}};
    store.Set_value(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Number", dword);
    store.Set_value(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Text", platform::Registry_store::Text_value("å"));
    EXPECT_EQ(GetKeyValue(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Number"), "&hAB1F");
    EXPECT_EQ(GetKeyValue(platform::HKEY_LOCAL_MACHINE, "software\\test", "TEXT"), "å");
    EXPECT_EQ(GetKeyValue(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Missing"), "");
}

class System_information : public About_window {
protected:
    void SetUp() override
    {
        About_window::SetUp();
        old_path = getenv("PATH") ? getenv("PATH") : "";
        fs::create_directories(bin);
        setenv("PATH", bin.c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", old_path.c_str(), 1);
        About_window::TearDown();
    }
    // A tool that leaves a mark when it runs.
    fs::path Tool(const fs::path& path)
    {
        std::ofstream(path) << "#!/bin/sh\necho ran > '" << mark.string() << "'\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    void Name_in_registry(const std::string& path)
    {
        platform::Registry_store().Set_value(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                                             "PATH", platform::Registry_store::Text_value(path));
    }
    std::string old_path;
    fs::path bin = com.home.path() / "bin";
    fs::path mark = com.home.path() / "ran.txt";
};

TEST_F(System_information, WithoutAnyToolItIsSaidToBeUnavailable)
{
    EXPECT_EQ(Find_system_information_tool(), "");
    frmAbout& about = Shown();
    dialogs.Expect_message("System Information Is Unavailable At This Time");
    about.StartSysInfo();
}

TEST_F(System_information, TheRegisteredToolComesFirstThenTheDesktopsOwn)
{
    const fs::path monitor = Tool(bin / "gnome-system-monitor");
    EXPECT_EQ(Find_system_information_tool(), monitor.string());
    const fs::path profiler = Tool(bin / "hardinfo");
    EXPECT_EQ(Find_system_information_tool(), profiler.string());
    // A registered file that cannot run is passed over.
    std::ofstream(com.home.path() / "plain.txt") << "text";
    Name_in_registry((com.home.path() / "plain.txt").string());
    EXPECT_EQ(Find_system_information_tool(), profiler.string());
    const fs::path own = Tool(com.home.path() / "sysinfo");
    Name_in_registry(own.string());
    EXPECT_EQ(Find_system_information_tool(), own.string());
}

TEST_F(System_information, TheToolFoundIsStarted)
{
    Tool(bin / "hardinfo");
    frmAbout& about = Shown();
    about.StartSysInfo();
    // The tool runs on its own: its mark shows when it has run (the deadline only catches a hang).
    EXPECT_TRUE(test::Wait_for_change_in(mark.parent_path(), [&] { return fs::exists(mark); }));
}

class Software_check : public About_window {
protected:
    void SetUp() override
    {
        About_window::SetUp();
        platform::Install_end_program([](int code) { throw platform::End_requested{code}; });
    }
    void TearDown() override
    {
        platform::Install_end_program(nullptr);
        platform::Release_instance_lock();
        About_window::TearDown();
    }
};

TEST_F(Software_check, OnlyTheInterfaceKitIsKnownAndItMustBeCreatable)
{
    EXPECT_TRUE(Test_for_software("Phidget"));
    EXPECT_FALSE(Test_for_software("BrixCap"));
    platform::Install_interface_kit_factory(
        []() -> std::shared_ptr<platform::Interface_kit> { throw std::runtime_error("no kit library"); });
    EXPECT_FALSE(Test_for_software("Phidget"));
}

TEST_F(Software_check, PassedChecksCloseTheWindowAndAMissingKitEndsTheProgram)
{
    auto* check = new Form_check_software;
    check->Form_Load();
    EXPECT_TRUE(check->Is_unloaded());

    platform::Install_interface_kit_factory(
        []() -> std::shared_ptr<platform::Interface_kit> { throw std::runtime_error("no kit library"); });
    auto* failing = new Form_check_software;
    dialogs.Expect_message("Phidget drivers not installed correctly!");
    int code = -1;
    try {
        failing->Form_Load();
    } catch (const platform::End_requested& e) {
        code = e.code;
    }
    EXPECT_EQ(code, 1);
}

} // namespace
} // namespace wk

#include "frmAbout_test.moc"
