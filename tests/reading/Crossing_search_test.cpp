#include "platform/Av_frame_decoder.h"
#include "platform/Byte_file.h"
#include "reading/Crossing_search.h"
#include "reading/Frame_store.h"
#include "reading/Goal_geometry.h"
#include "reading/Parallel_work.h"
#include "recording/Finish_strip.h"
#include "recording/cls_AVI_handler.h"
#include "tests/support/Test_support.h"
#include "tools/Finish_heat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <random>
#include <set>

namespace wk {
namespace {

class Crossing_search_test : public ::testing::Test {
protected:
    test::Temp_home home;
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }

    static Finish_strip_source Source_of(const std::string& path)
    {
        cls_AVI_handler r;
        r.Let_Open_read_only(true);
        EXPECT_TRUE(r.Open_File(path));
        Finish_strip_source s = Strip_source_of(r, 1);
        r.Close_File();
        return s;
    }
    static std::vector<std::unique_ptr<Frame_store::Decoding>> Decodings(const Finish_strip_source& s, int n)
    {
        std::vector<std::unique_ptr<Frame_store::Decoding>> d;
        for (int i = 0; i < n; ++i) d.push_back(std::make_unique<Frame_store::Decoding>(s));
        return d;
    }
};

// The strip of a few looks and the frames around what they saw finds, in every lane, the stretch
// the whole strip finds: every finishing boat's hull starts in the same field, give or take one,
// and far fewer frames are decoded than the recording holds.
TEST_F(Crossing_search_test, FewLooksFindTheStretchesOfTheWholeStrip)
{
    using finish_heat::Kind;
    int stretches = 0;
    for (const Kind kind : {Kind::blade, Kind::empty, Kind::stopper, Kind::reversed, Kind::dead_heat}) {
        const std::string path = Path(finish_heat::Kind_name(kind) + ".qs2");
        const finish_heat::Truth truth = finish_heat::Make_finish_heat(path, {.seed = 3, .kind = kind, .lanes = 5});
        const Finish_strip_source source = Source_of(path);
        const Finish_strip_line line({double(truth.goal[0]), double(truth.goal[1]), double(truth.goal[2]),
                                      double(truth.goal[3]), source.frame_width, source.frame_height,
                                      source.frame_width, source.frame_height, false});
        Finish_strip whole(source, line.Line_setup(), 2);
        whole.Wait_whole();
        const Strip_crossings all(whole.Picture());
        Frame_store store(source, 64);
        auto decodings = Decodings(source, 3);
        Crossing_search search(store, decodings, line);
        const Goal_geometry goal(truth.goal[0], truth.goal[1], truth.goal[2], truth.goal[3]);
        std::vector<Lane_mark> marks;
        for (const finish_heat::Lane_truth& l : truth.lanes) marks.push_back({l.lane, double(l.mark_x), double(l.mark_y)});
        std::vector<std::pair<int32_t, int32_t>> lanes;
        for (const Lane_span& span : goal.Spans(marks)) {
            const int32_t a = line.Sample_of(goal.X(0, span.v0), goal.Y(0, span.v0));
            const int32_t b = line.Sample_of(goal.X(0, span.v1), goal.Y(0, span.v1));
            lanes.push_back({std::min(a, b), std::max(a, b)});
        }
        const auto found = search.Find(lanes);
        for (size_t i = 0; i < lanes.size(); ++i) {
            SCOPED_TRACE(finish_heat::Kind_name(kind) + " lane " + std::to_string(truth.lanes[i].lane));
            const auto expected = all.Stretch(lanes[i].first, lanes[i].second);
            // A boat that stops short may leave a blade's touch the whole strip takes for a
            // stretch; it is no crossing either way.
            if (truth.lanes[i].kind != finish_heat::Lane_kind::finish) continue;
            ASSERT_TRUE(found[i]);
            ASSERT_TRUE(expected);
            EXPECT_NEAR(double(found[i]->first_field), double(expected->first_field), 1.0);
            // Where it ends is known to a look's step of frames only.
            EXPECT_NEAR(double(found[i]->fields), double(expected->fields), 2.0 * search.Step());
            ++stretches;
        }
        EXPECT_LT(store.Decoded() + store.Unreadable(), truth.frames * 3 / 4) << finish_heat::Kind_name(kind);
    }
    EXPECT_GT(stretches, 10);
}

// Threads that want the same frames get one decoding of each, the picture a decoder of their own
// gives; a picture let go by the store stays whole for whoever holds it, and a frame that cannot
// be read is none.
TEST_F(Crossing_search_test, StoreDecodesEachFrameOnceForAllThreads)
{
    const std::string path = Path("plain.qs2");
    finish_heat::Make_finish_heat(path, {.seed = 4, .kind = finish_heat::Kind::plain, .lanes = 2});
    Finish_strip_source source = Source_of(path);
    ASSERT_GT(source.places.size(), 20u);
    source.places[5].length = 0; // frame 6 cannot be read
    const size_t bytes = size_t(platform::Bgr_stride(source.frame_width)) * size_t(source.frame_height);
    Frame_store store(source, 16);
    auto decodings = Decodings(source, 4);
    // Every thread asks for frames 1..12, each in its own order.
    Run_parallel(4, 4, [&](size_t, size_t worker) {
        std::vector<int32_t> order{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        std::shuffle(order.begin(), order.end(), std::mt19937(unsigned(worker)));
        for (int32_t f : order) {
            const auto p = store.Get(f, *decodings[worker]);
            EXPECT_EQ(p == nullptr, f == 6) << f;
        }
    });
    EXPECT_EQ(store.Decoded(), 11);
    EXPECT_EQ(store.Unreadable(), 1);
    EXPECT_FALSE(store.Get(0, *decodings[1]));
    EXPECT_FALSE(store.Get(int32_t(source.places.size()) + 1, *decodings[1]));

    // A store that keeps one picture: frame 3, held here, is let go by the store and its memory
    // is not handed to the frames decoded after it.
    Frame_store small(source, 1);
    const Frame_store::Picture held = small.Get(3, *decodings[0]);
    ASSERT_TRUE(held);
    const std::vector<uint8_t> copy(held.get(), held.get() + bytes);
    for (int32_t f : {4, 5, 7}) EXPECT_TRUE(small.Get(f, *decodings[0]));
    EXPECT_EQ(std::memcmp(held.get(), copy.data(), bytes), 0);
    EXPECT_TRUE(small.Get(3, *decodings[1]));
    EXPECT_EQ(small.Decoded(), 5);
    EXPECT_TRUE(small.Get(3, *decodings[1]));
    EXPECT_EQ(small.Decoded(), 5);
    // The picture is the one a decoder of its own gives.
    platform::Av_frame_decoder own(source.codec);
    platform::Av_frame_bytes frame;
    int error = 0;
    auto file = platform::Open_byte_source(source.path, platform::Raw_file::Mode::Read, error);
    ASSERT_TRUE(file);
    const Finish_strip_source::Place place = source.places[2];
    ASSERT_TRUE(file->Read_exact(place.offset, frame.Resize(place.length), place.length));
    std::vector<uint8_t> direct(bytes);
    ASSERT_TRUE(own.Decode(frame.Bytes(), direct.data(), source.frame_width, source.frame_height));
    EXPECT_EQ(direct, copy);
}

// The work is shared out, every index done once, and a failure in one call comes back to the
// caller after all threads stopped.
TEST(Parallel_work, EveryIndexOnceAndFailuresComeBack)
{
    std::vector<std::atomic<int>> done(100);
    std::set<size_t> workers;
    std::mutex m;
    Run_parallel(done.size(), 4, [&](size_t i, size_t worker) {
        ++done[i];
        std::lock_guard<std::mutex> lock(m);
        workers.insert(worker);
    });
    for (auto& d : done) EXPECT_EQ(d.load(), 1);
    EXPECT_LE(workers.size(), 4u);
    EXPECT_THROW(Run_parallel(50, 3, [](size_t i, size_t) { if (i == 17) throw std::runtime_error("frame 17"); }),
                 std::runtime_error);
    Run_parallel(0, 3, [](size_t, size_t) { FAIL(); });
}

} // namespace
} // namespace wk
