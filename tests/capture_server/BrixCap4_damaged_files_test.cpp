// Damaged and unusual files chosen as the loaded server's file source: a partial frame is never
// delivered and costs no whole frame, whether RGB frames are made too or not; a file none of
// whose frames can be read fails Run with the reason; a path that names no regular file is
// refused when it is chosen, and never opened.
#include "tests/capture_server/Capture_test_support.h"
#include "tests/fixtures/DV_fixtures.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace wk {
namespace {

using namespace com;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr size_t k_Kept_of_partial = 50000; // bytes of a frame that lost its end

// Watches a FIFO for a reader. One that opened it would wait for a writer for ever, so the watch
// lets it go (opens and closes the writing end) and remembers that it came.
class Fifo_watch {
public:
    explicit Fifo_watch(const fs::path& path)
        : thread_([this, path] {
              while (!done_) {
                  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                  if (fd >= 0) {
                      reader_came_ = true;
                      ::close(fd);
                  }
                  std::this_thread::sleep_for(5ms);
              }
          })
    {
    }
    ~Fifo_watch()
    {
        done_ = true;
        thread_.join();
    }
    bool Reader_came() const { return reader_came_; }

private:
    std::atomic<bool> done_{false}, reader_came_{false};
    std::thread thread_;
};

// A local socket bound to a path (nothing listens on it), closed at the end of the test.
class Bound_socket {
public:
    explicit Bound_socket(const fs::path& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        bound_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~Bound_socket()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Bound() const { return bound_; }

private:
    int fd_;
    bool bound_ = false;
};

class BrixCap4_damaged_files_test : public test::Server_library_test {
protected:
    void SetUp() override
    {
        Server_library_test::SetUp();
        ASSERT_EQ(Register(), S_OK);
        object = Create(VideoCap4_progid);
        ASSERT_TRUE(object);
        uint32_t cookie = 0;
        ASSERT_EQ(object->Advise(&sink, &cookie), S_OK);
    }
    void TearDown() override
    {
        object.Reset();
        // A wake still posted holds the object: it lets go here, while the sink it holds lives.
        Pump_for(std::chrono::milliseconds(50));
        Server_library_test::TearDown();
    }
    void Pump_for(std::chrono::milliseconds span)
    {
        test::Pump_until(com, [] { return false; }, span);
    }
    // Samples lost because this thread fell behind (counted, as a loaded machine may cause).
    size_t Dropped() { return size_t(std::stoull(test::Property(*object, "DroppedSamples"))); }
    // Plays the file to its end: until `samples` were delivered or lost, and a while after.
    void Play(const fs::path& path, bool rgb, size_t samples)
    {
        sink.calls.clear();
        ASSERT_EQ(test::Select(*object, "file:" + path.string()), 1);
        test::Set_property(*object, "RGB", rgb ? "true" : "false");
        ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
        test::Pump_until(com, [&] { return sink.calls.size() + Dropped() >= samples; });
        Pump_for(300ms); // what came after the whole frames would be here by now
        EXPECT_EQ(sink.calls.size() + Dropped(), samples);
        EXPECT_EQ(object->Stop(), S_OK);
    }

    std::vector<test::DV_frame> frames = test::Make_DV_frames(7);
    test::Recording_sink sink; // outlives the object, which holds it
    Com_ptr<IVideoCap> object;
};

// ---- A partial frame ----

struct Damaged_file {
    const char* name;
    std::vector<uint8_t> (*make)(std::vector<test::DV_frame> frames); // from the seven frames
    std::vector<size_t> whole;                                          // the frames left whole
};
void PrintTo(const Damaged_file& f, std::ostream* out) { *out << f.name; }

std::vector<uint8_t> Raw_dv(const std::vector<test::DV_frame>& frames)
{
    std::vector<uint8_t> bytes;
    for (const auto& f : frames) bytes.insert(bytes.end(), f.begin(), f.end());
    return bytes;
}

// The file as a capture that stopped in the middle of writing its last frame leaves it.
std::vector<uint8_t> Cut_in_last_frame(const std::vector<test::DV_frame>& frames, int type)
{
    auto avi = test::Build_DV_AVI(frames, {.type = type});
    avi.bytes.resize(size_t(avi.frame_chunks.back()) + 8 + k_Kept_of_partial);
    return avi.bytes;
}

std::vector<uint8_t> With_short_chunk(std::vector<test::DV_frame> frames, size_t which, int type)
{
    frames[which].resize(k_Kept_of_partial);
    return test::Build_DV_AVI(frames, {.type = type}).bytes; // chunk and index say the short length
}

const Damaged_file k_Damaged_files[] = {
    {"raw_cut.dv",
     [](std::vector<test::DV_frame> f) {
         f.back().resize(k_Kept_of_partial);
         return Raw_dv(f);
     },
     {0, 1, 2, 3, 4, 5}},
    {"type2_cut.avi", [](auto f) { return Cut_in_last_frame(f, 2); }, {0, 1, 2, 3, 4, 5}},
    {"type1_cut.avi", [](auto f) { return Cut_in_last_frame(f, 1); }, {0, 1, 2, 3, 4, 5}},
    {"type2_short_last.avi", [](auto f) { return With_short_chunk(f, 6, 2); }, {0, 1, 2, 3, 4, 5}},
    {"type1_short_last.avi", [](auto f) { return With_short_chunk(f, 6, 1); }, {0, 1, 2, 3, 4, 5}},
    // A chunk that lost its end inside the file: the frames after it stay whole.
    {"type2_short_inside.avi", [](auto f) { return With_short_chunk(f, 2, 2); }, {0, 1, 3, 4, 5, 6}},
    {"type1_short_inside.avi", [](auto f) { return With_short_chunk(f, 2, 1); }, {0, 1, 3, 4, 5, 6}},
};

class Partial_frame_test : public BrixCap4_damaged_files_test, public ::testing::WithParamInterface<Damaged_file> {};

// Each sample is a whole frame of the file, DV as it is and RGB as its picture, in file order; with
// the samples a slow moment cost (counted), every whole frame is there once for each grabber.
TEST_P(Partial_frame_test, OnlyTheWholeFramesAreDeliveredEachOnceAndAsManyWithRgbSetAsWithout)
{
    const auto& file = GetParam();
    const fs::path path = com.home.path() / file.name;
    test::Write_bytes(path, file.make(frames));
    for (const bool rgb : {false, true}) {
        SCOPED_TRACE(rgb ? "with RGB" : "without RGB");
        Play(path, rgb, file.whole.size() * (rgb ? 2 : 1));
        size_t next_dv = 0, next_picture = 0;
        for (const auto& call : sink.calls) {
            if (call.kind == 'D') {
                while (next_dv < file.whole.size() && call.bytes != frames[file.whole[next_dv]]) ++next_dv;
                ASSERT_LT(next_dv++, file.whole.size()) << "a DV sample that is no later whole frame of the file";
            } else {
                ASSERT_TRUE(rgb && call.kind == 'R');
                ASSERT_EQ(call.bytes.size(), test::k_Rgb_bytes);
                const int64_t code = test::Field_code_of_picture(call.bytes);
                const auto code_of = [&](size_t k) { return test::Field_number(int64_t(file.whole[k]) + 1, 1); };
                while (next_picture < file.whole.size() && code != code_of(next_picture)) ++next_picture;
                ASSERT_LT(next_picture++, file.whole.size()) << "a picture of no later whole frame, field " << code;
            }
        }
        // Nothing went wrong: at most the file came to its end while it played.
        const std::string error = test::Last_error(*object);
        EXPECT_TRUE(error.empty() || error == "The source ended (end of stream)") << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Partial_frame_test, ::testing::ValuesIn(k_Damaged_files),
                         [](const auto& info) {
                             const std::string name = info.param.name;
                             return name.substr(0, name.find('.'));
                         });

// ---- No frame that can be read ----

// Points every idx1 entry of the AVI past the end of its file, each a frame further.
void Point_index_past_end(test::Built_avi& avi, size_t entries)
{
    const auto file_size = uint32_t(avi.bytes.size());
    for (size_t i = 0; i < entries; ++i) {
        const uint32_t offset = file_size + uint32_t(i) * uint32_t(test::k_DV_frame_bytes + 8);
        std::memcpy(avi.bytes.data() + avi.index_offset + 8 + 16 * i + 8, &offset, 4);
    }
}

TEST_F(BrixCap4_damaged_files_test, AnAviWhoseIndexPointsPastItsEndFailsRunWithTheReasonWithRgbSetOrNot)
{
    for (const int type : {2, 1}) {
        auto avi = test::Build_DV_AVI(frames, {.type = type});
        ASSERT_GT(avi.index_offset, 0);
        Point_index_past_end(avi, frames.size());
        const fs::path path = com.home.path() / ("type" + std::to_string(type) + ".avi");
        test::Write_bytes(path, avi.bytes);
        for (const bool rgb : {false, true}) {
            SCOPED_TRACE("type " + std::to_string(type) + (rgb ? " with RGB" : " without RGB"));
            ASSERT_EQ(test::Select(*object, "file:" + path.string()), 1);
            test::Set_property(*object, "RGB", rgb ? "true" : "false");
            EXPECT_EQ(object->Run(), E_FAIL);
            EXPECT_EQ(test::Last_error(*object), "Could not run graph: no whole DV frame could be read from the file");
            EXPECT_EQ(object->Run(), E_FAIL); // not S_FALSE: the failed Run left it stopped
        }
    }
    Pump_for(200ms);
    EXPECT_TRUE(sink.calls.empty());
}

// ---- Paths that are no regular file ----

TEST_F(BrixCap4_damaged_files_test, APathThatNamesNoRegularFileIsRefusedWhenChosenWithTheReasonAndNeverOpened)
{
    const fs::path heat = com.home.path() / "heat.dv", fifo = com.home.path() / "pipe.dv",
                   folder = com.home.path() / "folder.avi", socket = com.home.path() / "socket.dv";
    test::Write_DV_file(heat, frames);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder);
    Bound_socket bound(socket);
    ASSERT_TRUE(bound.Bound());
    Fifo_watch watch(fifo);
    struct Refused {
        fs::path path;
        const char* kind;
    };
    std::vector<Refused> refused{{fifo, "a FIFO"}, {folder, "a folder"}, {socket, "a socket"}};
    if (fs::exists("/dev/null")) refused.push_back({"/dev/null", "a character device"});
    for (const auto& r : refused) {
        SCOPED_TRACE(r.path.string());
        ASSERT_EQ(test::Select(*object, "file:" + heat.string()), 1);
        EXPECT_EQ(test::Select(*object, "file:" + r.path.string()), 0);
        EXPECT_EQ(test::Last_error(*object),
                  std::string("Could not load file! It is ") + r.kind + ", not a regular file. Access is denied.");
        // The file chosen before is not kept: nothing is chosen, and Run says so.
        EXPECT_EQ(object->Run(), E_FAIL);
        EXPECT_EQ(test::Last_error(*object), k_No_video_device);
    }
    Pump_for(200ms);
    EXPECT_TRUE(sink.calls.empty());
    EXPECT_FALSE(watch.Reader_came());

    // A link to a file is the file; a path with nothing there yet is looked for at Run.
    const fs::path link = com.home.path() / "link.dv";
    fs::create_symlink(heat, link);
    EXPECT_EQ(test::Select(*object, "file:" + link.string()), 1);
    EXPECT_EQ(test::Select(*object, "file:" + (com.home.path() / "later.dv").string()), 1);
    EXPECT_EQ(test::Last_error(*object), "");
}

TEST_F(BrixCap4_damaged_files_test, WhatTakesTheFilesPlaceAfterItWasChosenIsRefusedAtRunWithoutWaitingOnIt)
{
    const fs::path path = com.home.path() / "heat.dv";
    ASSERT_EQ(test::Select(*object, "file:" + path.string()), 1);
    {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        Fifo_watch watch(path);
        EXPECT_EQ(object->Run(), E_ACCESSDENIED);
        EXPECT_EQ(test::Last_error(*object),
                  "Could not load file! It is a FIFO, not a regular file. Access is denied.");
        EXPECT_FALSE(watch.Reader_came());
    }
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_EQ(object->Run(), E_ACCESSDENIED);
    EXPECT_EQ(test::Last_error(*object), "Could not load file! It is a folder, not a regular file. Access is denied.");

    fs::remove(path);
    test::Write_DV_file(path, frames); // a file again: it plays
    Play(path, false, frames.size());
    EXPECT_GT(sink.count('D'), 0u);
}

} // namespace
} // namespace wk
