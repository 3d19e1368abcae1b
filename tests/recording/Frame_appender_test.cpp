// Frames handed to the disk's thread: where they land, what a failed write stops, and that
// handing over never waits for a disk that does not answer.
#include "recording/Frame_appender.h"
#include "platform/Clock.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Run_time_error.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Failing_disk.h"
#include "tests/recording/Told.h"
#include "tests/support/Test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace wk {
namespace {

namespace fs = std::filesystem;

constexpr int64_t k_Head = cls_AVI_handler::k_Own_data_offset;
constexpr int64_t k_Frame = cls_AVI_handler::k_DV_frame_size;

const std::vector<test::DV_frame>& Frames()
{
    static const std::vector<test::DV_frame> frames = test::Make_DV_frames(6);
    return frames;
}

class Frame_appender_test : public ::testing::Test {
protected:
    std::string Recording(const std::string& name)
    {
        const std::string path = (home.path() / name).string();
        cls_AVI_handler rec;
        rec.File_name(path);
        EXPECT_TRUE(rec.Create_File());
        rec.Initiate_file();
        rec.Close_File();
        return path;
    }
    // Frame k of the file as written.
    static test::DV_frame Frame_at(const std::string& path, int64_t k)
    {
        const std::string bytes = test::Read_file(path);
        return test::DV_frame(bytes.begin() + k_Head + k * k_Frame, bytes.begin() + k_Head + (k + 1) * k_Frame);
    }

    test::Temp_home home;
    test::Manual_clock clock;
    test::Scripted_dialogs dialogs;
};

// A disk whose writes wait until the test opens its gate.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
};

class Gated_file final : public platform::Byte_source {
public:
    Gated_file(std::unique_ptr<platform::Raw_file> file, Gate& gate) : file_(std::move(file)), gate_(gate) {}
    bool Writable() const override { return file_->Writable(); }
    int64_t Size() const override { return file_->Size(); }
    int64_t Read_at(int64_t offset, void* buffer, size_t n) const override { return file_->Read_at(offset, buffer, n); }
    bool Write_at(int64_t offset, const void* buffer, size_t n) override
    {
        std::unique_lock lock(gate_.mutex);
        gate_.opened.wait(lock, [this] { return gate_.open; });
        return file_->Write_at(offset, buffer, n);
    }
    bool Allocate(int64_t offset, int64_t n) override { return file_->Allocate(offset, n); }
    bool Sync() override { return file_->Sync(); }

private:
    std::unique_ptr<platform::Raw_file> file_;
    Gate& gate_;
};

TEST_F(Frame_appender_test, HandingFramesOverNeverWaitsForADiskThatDoesNotAnswer)
{
    const std::string path = Recording("stalled.qs2");
    Gate gate;
    platform::Install_byte_source_opener([&](const std::string& p, platform::Raw_file::Mode mode, int& error)
                                             -> std::unique_ptr<platform::Byte_source> {
        auto file = std::make_unique<platform::Raw_file>();
        if (!file->Open(p, mode, error)) return nullptr;
        return std::make_unique<Gated_file>(std::move(file), gate);
    });
    {
        Frame_appender appender(path);
        for (int round = 0; round < 10; ++round)
            for (const test::DV_frame& f : Frames()) appender.Add(f, 0);
        // Every frame was taken while not one could be written.
        EXPECT_EQ(appender.Handed(), 60);
        EXPECT_EQ(appender.Written(), 0);
        {
            std::lock_guard lock(gate.mutex);
            gate.open = true;
        }
        gate.opened.notify_all();
        appender.Finish();
        EXPECT_EQ(appender.Written(), 60);
        EXPECT_EQ(appender.Error(), 0);
    }
    platform::Install_byte_source_opener({});
    EXPECT_EQ(int64_t(fs::file_size(path)), k_Head + 60 * k_Frame);
    EXPECT_TRUE(Frame_at(path, 59) == Frames()[5]);
}

TEST_F(Frame_appender_test, FramesGoAfterTheLastWholeFrameAndStopAtTheFirstWriteThatFails)
{
    struct Case {
        const char* what;
        int64_t tail;     // bytes already past the header: whole frames and a cut one
        int failing;      // the write that fails (0: none)
        int64_t written;
    };
    const std::vector<Case> cases = {
        {"an empty recording", 0, 0, 6},
        {"after two whole frames", 2 * k_Frame, 0, 6},
        {"over a frame cut in half", k_Frame + k_Frame / 2, 0, 6},
        {"the fourth write fails", 0, 4, 3},
        {"the first write fails", k_Frame, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Recording(std::string("append_") + std::to_string(&c - cases.data()) + ".qs2");
        {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            const std::string bytes(size_t(c.tail), 'x');
            out.write(bytes.data(), std::streamsize(bytes.size()));
        }
        const int64_t whole_before = c.tail / k_Frame;
        {
            test::Failing_disk disk;
            if (c.failing) disk.Fail_write(c.failing, ENOSPC, true);
            Frame_appender appender(path);
            for (const test::DV_frame& f : Frames()) appender.Add(f, 0);
            appender.Finish();
            EXPECT_EQ(appender.Written(), c.written);
            EXPECT_EQ(appender.Error(), c.failing ? ENOSPC : 0);
        }
        // Whole frames only count; the ones written follow the whole frames there were.
        EXPECT_EQ((int64_t(fs::file_size(path)) - k_Head) / k_Frame, whole_before + c.written);
        for (int64_t k = 0; k < c.written; ++k) EXPECT_TRUE(Frame_at(path, whole_before + k) == Frames()[size_t(k)]) << k;
    }
}

TEST_F(Frame_appender_test, RefusesWhatIsNotAWritableRecording)
{
    const std::string good = Recording("good.qs2");
    const auto made = [&](const std::string& name, const std::function<void(std::string&)>& change) {
        std::string bytes = test::Read_file(good);
        change(bytes);
        const std::string path = (home.path() / name).string();
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return path;
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"no such file", (home.path() / "gone.qs2").string()},
        {"another magic", made("magic.qs2", [](std::string& b) { b[0] = 'X'; })},
        {"frames said to start past the end", made("offset.qs2", [](std::string& b) { b[6] = 0x7F; })},
        {"frames said to start inside the head", made("inside.qs2", [](std::string& b) { b.replace(4, 4, std::string(4, '\0')); })},
        {"shorter than its head", made("short.qs2", [](std::string& b) { b.resize(10); })},
    };
    for (const auto& [what, path] : cases) EXPECT_THROW(Frame_appender appender(path), Run_time_error) << what;
}

TEST_F(Frame_appender_test, WhatIsWrittenReachesTheDiskAtLeastOnceASecondOfCaptureTime)
{
    const std::string path = Recording("synced.qs2");
    // The whole frames on disk at each sync.
    std::vector<int64_t> synced;
    {
        Frame_appender appender(path, [&](platform::Byte_file& f) {
            synced.push_back((f.Size() - k_Head) / k_Frame);
            return f.Sync();
        });
        // Three seconds at 25 frames a second, the tick wrapping on the way.
        for (int k = 0; k < 75; ++k) appender.Add(Frames()[size_t(k % 6)], platform::Tick_add(INT32_MAX - 1000, k * 40));
        appender.Finish();
        EXPECT_EQ(appender.On_disk(), 75);
    }
    ASSERT_GE(synced.size(), 3u);
    EXPECT_EQ(synced.back(), 75);
    // A second of frames (and the one that makes it a second) at most between two syncs.
    int64_t before = 0;
    for (const int64_t at : synced) {
        EXPECT_LE(at - before, 26) << "synced at " << at;
        before = at;
    }
}

TEST_F(Frame_appender_test, WhileAnAppenderHoldsARecordingNoOtherWriterTakesItAndNoOpenRecoversItsFrames)
{
    const std::string path = Recording("held.qs2");
    {
        Frame_appender appender(path);
        for (int k = 0; k < 4; ++k) appender.Add(Frames()[size_t(k)], k * 40);
        appender.Finish();
        EXPECT_THROW(Frame_appender second(path), Run_time_error);
        // Another station opening it sees the recorded count and leaves the header alone.
        {
            cls_AVI_handler other;
            ASSERT_TRUE(other.Open_File(path));
            EXPECT_EQ(other.num_frames(), 0);
            EXPECT_EQ(other.Header().Frames_no(), 0);
        }
        // A header change goes through the appender and counts the frames on disk.
        EXPECT_TRUE(appender.Change_header([](Cls_XML_header& header) {
            header.Start_PC_mill(1, 1234);
            return true;
        }));
        for (int k = 4; k < 6; ++k) appender.Add(Frames()[size_t(k)], k * 40);
        appender.Finish();
        EXPECT_EQ(appender.On_disk(), 6);
    }
    EXPECT_TRUE(dialogs.shown.empty());
    // Gone without storing its count, as after a kill: the next open recovers the two frames.
    cls_AVI_handler reader;
    const Recording_outcome opened = reader.Open_File(path);
    ASSERT_TRUE(opened);
    EXPECT_EQ(reader.num_frames(), 6);
    EXPECT_EQ(reader.Start_PC_Mill_time(1), 1234);
    EXPECT_TRUE(test::Told(opened, Recording_problem::Kind::frames_recovered, "2 frames past the recorded count were recovered"));
}

TEST_F(Frame_appender_test, TheCountStoredIsTheWholeFramesOnDiskWhateverTheHeaderSaidBefore)
{
    const std::string path = Recording("counted.qs2");
    {
        // A count that says more than the file holds, as a double count would have left it.
        cls_AVI_handler rec;
        ASSERT_TRUE(rec.Open_for_append(path));
        rec.Header().Frames_no(50);
        ASSERT_TRUE(rec.Write_XML_header());
        rec.Close_File();
    }
    {
        Frame_appender appender(path);
        for (int k = 0; k < 3; ++k) appender.Add(Frames()[size_t(k)], k * 40);
        appender.Finish();
        EXPECT_TRUE(appender.Store_count());
    }
    cls_AVI_handler reader;
    ASSERT_TRUE(reader.Open_File(path));
    EXPECT_EQ(reader.Header().Frames_no(), 3);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace wk
