// A heat captured as a crew does it, on the program itself under an X server of its own: one
// fake camera, the simulated box driven by wakeline_kitsim, the heat created through the window
// with the keyboard before the preview was ever opened. A camera without DV's heat is then
// opened in the viewer, stepped field by field and clicked. Skipped where no X server starts.
#include "platform/Clock.h"
#include "platform/Forms.h"
#include "platform/Key_state.h"
#include "platform/Picture_box.h"
#include "platform/Registry_store.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_canoe.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "tests/capture/Saved_lanes.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"
#include "viewer/Cls_lane.h"
#include "viewer/Frm_kanot_2.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSlider>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <random>

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr int32_t k_Frame_ms = 40;
// Frames a held capture keeps before it is let go: two seconds at the camera's pace.
constexpr int64_t k_Held_frames = 2000 / k_Frame_ms;

// Whole frames on disk in the recording at path (a held capture writes them as they come).
int64_t Frames_on_disk(const fs::path& path)
{
    std::error_code error;
    const auto size = int64_t(fs::file_size(path, error));
    if (error || size < cls_AVI_handler::k_Own_data_offset) return 0;
    return (size - cls_AVI_handler::k_Own_data_offset) / int64_t(cls_AVI_handler::k_DV_frame_size);
}

class Capture_end_to_end : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo(XVFB).isExecutable() || !QFileInfo(XDOTOOL).isExecutable())
            GTEST_SKIP() << "Xvfb or xdotool is not installed: the end-to-end capture is left out";
        environment = QProcessEnvironment::systemEnvironment();
        // A server that said it was ready may still refuse its first client (one on the same
        // display was just going away): it is tried again a few times.
        bool started = false;
        for (int attempt = 0; attempt < 3 && !started; ++attempt) started = Start_server();
        if (!started)
            GTEST_SKIP() << "no X server starts (" << xvfb.errorString().toStdString() << "): the end-to-end capture is left out";
        fs::create_directories(home.App_data());
        folder = home.path() / "captures";
        fs::create_directories(folder);
        Write_settings();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("WAKELINE_HOME", QString::fromStdString(home.path().string()));
        environment.insert("WAKELINE_REGISTRY", QString::fromStdString((home.path() / "registry.txt").string()));
        environment.insert("WAKELINE_TRACER", QString::fromStdString(tracer_path));
        environment.insert("BRIXCAP_FAKE_DEVICES", "video:1");
        environment.insert("WK_CONTROL_BOX", "kitsim");
        environment.insert("WK_KITSIM_SOCKET", "wakeline_e2e_" + QString::number(getpid()));
        // The box's contacts are simulated: nothing to let settle, so nothing to wait for.
        environment.insert("WK_BOX_DEAD_TIME_MS", "0");
        // The program is ended by the test, not by its exit; its leaks are not this test's question.
        environment.insert("ASAN_OPTIONS", "detect_leaks=0");
        ASSERT_EQ(Run(WAKELINE_REGSVR, {BRIXCAP4_LIBRARY}), 0);
    }
    void TearDown() override
    {
        for (QProcess* p : {&program, &xvfb})
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) p->kill();
                p->waitForFinished(2000);
            }
    }
    // The station's settings: the capture folder, the goal line and two lanes as the preview
    // saved them, and the multi-file capture chosen at start-up.
    void Write_settings()
    {
        Write_Ini_Value("Canoe", "save_folder1", folder.string(), Ini_file_path);
        Write_Ini_Value("Canoe", "event_name", "Regatta", Ini_file_path);
        Write_Ini_Value("Canoe", "capture_type", "multiple", Ini_file_path);
        test::Write_saved_lanes();
    }
    // Waits for done, the loop running; ms only catches a hang.
    static bool Wait_for(const std::function<bool()>& done, int ms) { return QTest::qWaitFor(done, ms); }
    int Run(const QString& tool, const QStringList& arguments, QString* output = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(tool, arguments);
        if (!p.waitForFinished(60000)) return -1;
        if (output) *output = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode();
    }
    int Kitsim(const QStringList& commands) { return Run(WAKELINE_KITSIM, commands); }
    // The server picks a free display and writes its number when it is ready; it counts as
    // started once a client gets through to it.
    bool Start_server()
    {
        if (xvfb.state() != QProcess::NotRunning) {
            xvfb.terminate();
            if (!xvfb.waitForFinished(5000)) xvfb.kill();
            xvfb.waitForFinished(2000);
        }
        xvfb.start(XVFB, {"-displayfd", "1", "-screen", "0", "1280x900x24", "-nolisten", "tcp", "-noreset"});
        QByteArray number;
        Wait_for([&] { return (number += xvfb.readAllStandardOutput()).contains('\n'); }, 60000);
        if (!number.contains('\n')) return false;
        display = ":" + QString::fromLatin1(number).trimmed();
        environment.insert("DISPLAY", display);
        return Wait_for([&] { return Run(XDOTOOL, {"getdisplaygeometry"}) == 0; }, 60000);
    }
    // xdotool on the test's X server; its output.
    QString Xdotool(const QStringList& arguments)
    {
        QString output;
        Run(XDOTOOL, arguments, &output);
        return output.trimmed();
    }
    void Click(const QString& window, int x, int y)
    {
        // The program takes the click before any later key or click: X keeps their order.
        Xdotool({"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"});
    }
    // The window whose title is title, once it shows (the newest when there are several); none
    // when the program ended first.
    QString Window(const QString& title)
    {
        QString id;
        Wait_for([&] {
            return !(id = Xdotool({"search", "--onlyvisible", "--name", title})).isEmpty() ||
                   program.state() == QProcess::NotRunning;
        }, 60000);
        return id.isEmpty() ? id : id.split('\n').last();
    }
    // Waits until no window whose title is title shows (a click meant for the window below it
    // would land on it).
    bool Gone(const QString& title)
    {
        return Wait_for([&] { return Xdotool({"search", "--onlyvisible", "--name", title}).isEmpty(); }, 60000);
    }
    // The tracer's lines until one holds text; what follows text on that line, or nothing.
    std::optional<std::string> Traced(test::Test_tracer& tracer, const std::string& text, int ms)
    {
        std::optional<std::string> rest;
        Wait_for([&] {
            for (std::string line = tracer.Receive(); !line.empty() && !rest; line = tracer.Receive())
                if (const size_t at = line.find(text); at != std::string::npos) rest = line.substr(at + text.size());
            return rest.has_value();
        }, ms);
        return rest;
    }
    std::vector<fs::path> Recordings() const
    {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".qs2") found.push_back(entry.path());
        return found;
    }

    // The program started, the multi-file capture chosen and a heat of that ID created in slot
    // A; the recording's path, or empty (with the failure added) when a step did not show.
    std::string Launch_and_create(const std::string& heat_id)
    {
        // A program that ends before its first window could not reach the X server (one on the
        // same display may just have gone away, as the set-up knows): a new server, once.
        QString startup;
        for (int attempt = 0; attempt < 2 && startup.isEmpty(); ++attempt) {
            if (attempt > 0 && (program.state() != QProcess::NotRunning || !Start_server())) break;
            program.setProcessEnvironment(environment);
            program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            program.start(WAKELINE3_0, {});
            if (!program.waitForStarted(10000)) return Failed("the program did not start");
            // Start-up: the multi-file capture is chosen; Go is its last row. There is no window
            // manager, so the mouse gives the focus: places are those of the windows' fixed layouts.
            startup = Window("Wakeline Startup");
        }
        if (startup.isEmpty()) return Failed("the start-up window never showed");
        Click(startup, 180, 257);
        const QString capture = Window("Wakeline capture");
        if (capture.isEmpty()) return Failed("the capture window never showed");
        if (!Gone("Wakeline Startup")) return Failed("the start-up window stayed over the capture window");
        // The heat: its ID typed into slot A's box and New file pressed.
        const size_t before = Recordings().size();
        Click(capture, 209, 115);
        Xdotool({"type", "--delay", "50", QString::fromStdString(heat_id)});
        Click(capture, 176, 223);
        if (!Wait_for([&] { return Recordings().size() == before + 1; }, 60000)) return Failed("no recording was created");
        for (const fs::path& p : Recordings())
            if (p.filename().string().find("Heat" + heat_id + " ") != std::string::npos) return p.string();
        std::string names;
        for (const fs::path& p : Recordings()) names += " '" + p.filename().string() + "'";
        return Failed("no recording is named for heat " + heat_id + ":" + names);
    }
    static std::string Failed(const std::string& why)
    {
        ADD_FAILURE() << why;
        return {};
    }
    // The box attached and armed, and the start given (the program has no dead time to wait out).
    bool Start_by_box()
    {
        if (Kitsim({"attach 1234"}) != 0) return false;
        return Kitsim({"in 1 1", "in 0 1"}) == 0;
    }
    // Waits until the held capture into path has at least frames on disk.
    static bool Held_until(const fs::path& path, int64_t frames)
    {
        return Wait_for([&] { return Frames_on_disk(path) >= frames; }, 60000);
    }
    // The capture pressed on the box; the tick of the press as the program traced it.
    std::optional<int32_t> Press(test::Test_tracer& tracer)
    {
        tracer.Receive_all();
        if (Kitsim({"in 5 1"}) != 0) return std::nullopt;
        const auto press_text = Traced(tracer, "Capture start, tick = ", 60000);
        if (!press_text) return std::nullopt;
        return std::stoi(*press_text);
    }

    struct Captured_heat {
        std::string path;
        int32_t before_press = 0, press = 0, release = 0;
    };
    // The program started with the fake devices given; a heat created in the capture window,
    // started from the box and captured while its button is held for two seconds of frames.
    void Capture_heat(const QString& devices, Captured_heat& heat)
    {
        environment.insert("BRIXCAP_FAKE_DEVICES", devices);
        fs::remove(tracer_path);
        test::Test_tracer tracer(tracer_path);
        ASSERT_TRUE(tracer.bound());
        heat.path = Launch_and_create("7");
        ASSERT_FALSE(heat.path.empty());
        ASSERT_TRUE(Start_by_box());
        heat.before_press = Get_Tick();
        const std::optional<int32_t> press = Press(tracer);
        ASSERT_TRUE(press) << "the capture press was not seen";
        heat.press = *press;
        ASSERT_TRUE(Held_until(heat.path, k_Held_frames)) << Frames_on_disk(heat.path) << " frames on disk";
        ASSERT_EQ(Kitsim({"in 5 0"}), 0);
        // The release is stamped once the tool has its answer; pictures taken before it may
        // still come, and the capture is appended after them.
        heat.release = Get_Tick();
        ASSERT_TRUE(Traced(tracer, "Capture appended", 120000)) << "the capture was not appended";
    }

    test::Temp_home home;
    fs::path folder;
    std::string tracer_path = (fs::temp_directory_path() / ("wk_e2e_tracer_" + std::to_string(getpid()))).string();
    QString display;
    QProcess xvfb, program;
    QProcessEnvironment environment;
};

TEST_F(Capture_end_to_end, AHeatCapturedThroughTheBoxHasTheSettingsLanesWholeFramesAndTheRaceTimeOfThePress)
{
    Captured_heat heat;
    ASSERT_NO_FATAL_FAILURE(Capture_heat("video:1", heat));
    const std::string& path = heat.path;
    const int32_t before_press = heat.before_press;
    const auto press = std::optional<int32_t>(heat.press);
    const auto release = std::optional<int32_t>(heat.release);

    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    const Cls_XML_header& header = reader.Header();
    test::Expect_saved_lanes(header);
    // Every frame on disk when the button was let go, and at most a frame for every 40 ms it was
    // held; the count matches the length.
    EXPECT_EQ(header.Frames_no(), reader.num_Calculated_frames());
    EXPECT_EQ(int64_t(fs::file_size(path)),
              cls_AVI_handler::k_Own_data_offset + int64_t(header.Frames_no()) * int64_t(cls_AVI_handler::k_DV_frame_size));
    const int32_t held = platform::Tick_difference(*release, *press);
    EXPECT_GE(held, (k_Held_frames - 1) * k_Frame_ms);
    EXPECT_LE(header.Frames_no(), held / k_Frame_ms + 1) << "held " << held << " ms";
    EXPECT_GE(header.Frames_no(), k_Held_frames) << "held " << held << " ms";
    const int32_t start = reader.Start_PC_Mill_time(1);
    ASSERT_NE(start, 0);
    ASSERT_TRUE(reader.Read_Frame(1));
    reader.Let_Field_To_Show(1);
    const int32_t race_time = reader.Multi_TimeStamp(1);
    const int32_t press_after_start = platform::Tick_difference(*press, start);
    EXPECT_GE(press_after_start, platform::Tick_difference(before_press, start));
    // The first frame kept reached the server after the press, however busy the machine (its
    // race time is its arrival put on the frames' 40 ms grid, 10 ms early: up to 30 ms earlier
    // than the arrival itself), and before the release.
    const int32_t after_press = race_time - press_after_start;
    EXPECT_GE(after_press, -k_Frame_ms / 2 - 10)
        << "race time " << race_time << " ms, press " << press_after_start << " ms after the start";
    EXPECT_LE(after_press, held) << "race time " << race_time << " ms, press " << press_after_start << " ms after the start";
}

// The program killed at a random moment while the capture is held, or while its release appends
// and counts: the recording opens with every whole frame that reached the disk, none of those
// seen there before is lost, and they are in order.
TEST_F(Capture_end_to_end, AProgramKilledDuringAHeldCaptureOrItsAppendOpensWithEveryWholeFrame)
{
    fs::remove(tracer_path);
    test::Test_tracer tracer(tracer_path);
    ASSERT_TRUE(tracer.bound());
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    RecordProperty("seed", std::to_string(seed));
    int run = 0;
    for (const bool in_append : {false, true, true}) {
        SCOPED_TRACE(std::string(in_append ? "killed in the release's append" : "killed while held") + ", seed " +
                     std::to_string(seed) + ", run " + std::to_string(run));
        const std::string path = Launch_and_create(std::to_string(++run));
        ASSERT_FALSE(path.empty());
        ASSERT_TRUE(Start_by_box());
        const std::optional<int32_t> press = Press(tracer);
        ASSERT_TRUE(press) << "the capture press was not seen";
        const int64_t seen = std::uniform_int_distribution<int64_t>(k_Held_frames, k_Held_frames * 7 / 4)(random);
        ASSERT_TRUE(Held_until(path, seen)) << Frames_on_disk(path) << " frames on disk";
        QProcess release;
        if (in_append) {
            release.setProcessEnvironment(environment);
            release.start(WAKELINE_KITSIM, {"in 5 0"});
            ASSERT_TRUE(release.waitForStarted(5000));
            // A random moment of the release's append, whatever it has done by then.
            QThread::msleep(std::uniform_int_distribution<unsigned>(0, 150)(random));
        }
        const int32_t held = platform::Tick_difference(Get_Tick(), *press);
        program.kill();
        ASSERT_TRUE(program.waitForFinished(10000));
        release.waitForFinished(10000);

        test::Scripted_dialogs dialogs;
        dialogs.Allow_any_message(); // the frames past the count are said to be recovered
        const int64_t whole = (int64_t(fs::file_size(path)) - cls_AVI_handler::k_Own_data_offset) /
                              int64_t(cls_AVI_handler::k_DV_frame_size);
        cls_AVI_handler reader;
        ASSERT_TRUE(reader.Open_File(path));
        EXPECT_EQ(reader.num_frames(), whole) << "held " << held << " ms";
        // In order: their times never go back (a busy machine may hand the camera's frames over
        // in bursts, two of them then share a slot of the 40 ms grid, so their count is not held
        // to the camera's pace either).
        int32_t last_time = INT32_MIN;
        for (int32_t f = 1; f <= reader.num_frames(); ++f) {
            ASSERT_TRUE(reader.Read_Frame(f)) << "frame " << f;
            EXPECT_TRUE(reader.Extra().Has_extra_data()) << "frame " << f;
            reader.Let_Field_To_Show(1);
            EXPECT_GE(reader.Multi_TimeStamp(1), last_time) << "frame " << f;
            last_time = reader.Multi_TimeStamp(1);
        }
        EXPECT_GE(whole, seen) << "held " << held << " ms";
    }
}

} // namespace
} // namespace wk

namespace wk {
namespace {

// The number the fake webcam drew into the picture the viewer shows (-1 when it cannot be read),
// along the middle of the number's band: the viewer shows a field on every row, and a picture
// turned a quarter clockwise where the station is set so.
int64_t Shown_number(Frm_kanot_2& viewer)
{
    auto& picture = viewer.Picture_large->hDC();
    constexpr int k_Band_middle = 256;
    const bool turned = picture.Width() < picture.Height();
    return test::Field_code_from_row([&](int x) {
        const int32_t colour = turned ? picture.GetPixel(picture.Width() - 1 - k_Band_middle, x) : picture.GetPixel(x, k_Band_middle);
        return int((colour >> 8) & 0xFF);
    });
}

void Step_right(Frm_kanot_2& viewer)
{
    QTest::keyClick(viewer.Slider_play, Qt::Key_Right);
    QCoreApplication::processEvents();
}

TEST_F(Capture_end_to_end, ACameraWithoutDvRecordsEachFieldAsItsOwnPictureWithThatPicturesRaceTime)
{
    Captured_heat heat;
    ASSERT_NO_FATAL_FAILURE(Capture_heat("webcam:1", heat));
    program.terminate();
    program.waitForFinished(5000);

    // The recording: every field holds the next picture, and its race time is that picture's.
    std::vector<int64_t> numbers;
    std::vector<int32_t> race_times;
    {
        cls_AVI_handler reader;
        ASSERT_TRUE(reader.Open_File(heat.path));
        const int32_t frames = reader.Header().Frames_no();
        ASSERT_GE(frames, k_Held_frames);
        for (int32_t f = 1; f <= frames; ++f) {
            ASSERT_TRUE(reader.Read_Frame(f));
            const auto luma = dv::Decode_DV_luma(reader.Frame_bytes());
            for (int16_t field = 1; field <= 2; ++field) {
                reader.Let_Field_To_Show(field);
                numbers.push_back(test::Field_code(luma, field));
                race_times.push_back(reader.Multi_TimeStamp(1));
            }
        }
        const int32_t start = reader.Start_PC_Mill_time(1);
        // The first field was taken no earlier than a frame before the press, and before the
        // release, however busy the machine.
        const int32_t press_after_start = platform::Tick_difference(heat.press, start);
        EXPECT_GE(race_times[0] - press_after_start, -k_Frame_ms) << "first field's race time " << race_times[0];
        EXPECT_LE(race_times[0] - press_after_start, platform::Tick_difference(heat.release, heat.press));
    }
    // A frame's two fields are the camera's next two pictures; frames come in order, and a busy
    // machine may leave whole frames out. Every field's race time is its own picture's: 20 ms a
    // picture, within the millisecond the tick is cut to.
    for (size_t i = 1; i < numbers.size(); ++i) {
        if (i % 2 == 1) EXPECT_EQ(numbers[i], numbers[i - 1] + 1) << "field " << i + 1;
        EXPECT_GT(numbers[i], numbers[i - 1]) << "field " << i + 1;
        EXPECT_NEAR(race_times[i] - race_times[0], 20.0 * double(numbers[i] - numbers[0]), 1.0) << "field " << i + 1;
    }

    // The viewer, in this process, on the lanes locked as a crew leaves them for clicking.
    {
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_File(heat.path));
        rec.Header().Lanes_locked(true);
        ASSERT_TRUE(rec.Write_XML_header());
    }
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
    platform::Install_end_program([](int code) { throw platform::End_requested{code}; });
    platform::Registry_store().Set_value(platform::HKEY_LOCAL_MACHINE, k_Drivers32_key, "vidc.dvsd",
                                         platform::Registry_store::Text_value("dv.dll"));
    auto& viewer = platform::Form_instance<Frm_kanot_2>();
    viewer.Open_Recording(heat.path);
    ASSERT_TRUE(g_Recording && g_Recording->File_open());
    // Stepping with the arrow key shows the camera's pictures one by one.
    const size_t steps = std::min<size_t>(numbers.size(), 12);
    QCoreApplication::processEvents();
    for (size_t i = 0; i < steps; ++i) {
        EXPECT_EQ(viewer.Slider_play->value(), int(i + 1));
        EXPECT_EQ(Shown_number(viewer), numbers[i]) << "field " << i + 1;
        if (i + 1 < steps) Step_right(viewer);
    }
    // S and a click on lane 1's mark in the field shown last, then on lane 2's mark one field
    // on: each takes its own field's picture's time.
    ASSERT_GE(g_Lanes.size(), 2u);
    platform::Set_key_down('S', true);
    QTest::mouseClick(viewer.Picture_large, Qt::LeftButton, Qt::NoModifier, QPoint(g_Lanes[0]->X(), g_Lanes[0]->Y()));
    QCoreApplication::processEvents();
    EXPECT_EQ(viewer.Slider_play->value(), int(steps)); // a finish clicked shows its own field
    Step_right(viewer);
    EXPECT_EQ(Shown_number(viewer), numbers[steps]);
    QTest::mouseClick(viewer.Picture_large, Qt::LeftButton, Qt::NoModifier, QPoint(g_Lanes[1]->X(), g_Lanes[1]->Y()));
    QCoreApplication::processEvents();
    platform::Set_key_down('S', false);
    for (auto* f : platform::Loaded_forms()) f->Unload_form();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    g_Recording.reset();
    platform::Install_end_program(nullptr);

    cls_AVI_handler stored;
    ASSERT_TRUE(stored.Open_File(heat.path));
    EXPECT_EQ(stored.Heat_time(1, 1), race_times[steps - 1]);
    EXPECT_EQ(stored.Heat_time(1, 2), race_times[steps]);
    EXPECT_EQ(stored.Heat_time(1, 2) - stored.Heat_time(1, 1), 20 * (numbers[steps] - numbers[steps - 1]));
    EXPECT_TRUE(reports.reports.empty());
}

} // namespace
} // namespace wk
