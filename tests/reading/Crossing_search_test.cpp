#include "platform/Av_frame_decoder.h"
#include "platform/Byte_file.h"
#include "reading/Crossing_search.h"
#include "reading/Frame_store.h"
#include "reading/Goal_geometry.h"
#include "reading/Parallel_work.h"
#include "reading/Picture_pool.h"
#include "recording/Finish_strip.h"
#include "recording/cls_AVI_handler.h"
#include "tests/support/Test_support.h"
#include "tools/Finish_heat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <latch>
#include <mutex>
#include <stdexcept>
#include <random>
#include <set>
#include <system_error>

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

    // Decodings let go and made again take the decoders kept from them, which decoded other
    // frames before: the picture is the same.
    decodings.clear();
    decodings = Decodings(source, 4);
    Frame_store again(source, 4);
    const Frame_store::Picture p = again.Get(3, *decodings[3]);
    ASSERT_TRUE(p);
    EXPECT_EQ(std::memcmp(p.get(), direct.data(), bytes), 0);
}

// A store asked for some columns only gives them as the whole picture has them, wherever they lie
// in the row, the colour of its colour columns and the brightness of its brightness columns
// however the two differ; what is asked for past the frame's edge is cut to it.
TEST_F(Crossing_search_test, ColumnsAskedForAreThoseOfTheWholePicture)
{
    const std::string path = Path("slanted.qs2");
    finish_heat::Make_finish_heat(path, {.seed = 5, .kind = finish_heat::Kind::slanted, .lanes = 3});
    const Finish_strip_source source = Source_of(path);
    const int32_t w = source.frame_width, h = source.frame_height, stride = platform::Bgr_stride(w);
    Frame_store whole(source, 4);
    auto decodings = Decodings(source, 1);
    const Frame_store::Picture all = whole.Get(7, *decodings[0]);
    ASSERT_TRUE(all);
    const struct {
        Frame_store::Columns colour, lit;
    } cases[] = {{{0, 0}, {0, 0}}, {{1, 40}, {1, 40}}, {{100, 140}, {100, 140}}, {{301, 302}, {301, 302}},
                 {{w / 2 - 90, w / 2 + 90}, {w / 2 - 90, w / 2 + 90}}, {{w - 17, w - 1}, {w - 17, w - 1}},
                 {{w - 5, w + 50}, {w - 5, w + 50}}, {{-20, 3}, {-20, 3}}, {{0, w - 1}, {0, w - 1}},
                 {{301, 305}, {100, 500}}, {{0, 3}, {0, w - 1}}, {{w / 2, w / 2}, {-20, w + 50}},
                 {{200, 260}, {250, 255}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.colour.first) + ".." + std::to_string(c.colour.last) + " lit " +
                     std::to_string(c.lit.first) + ".." + std::to_string(c.lit.last));
        Frame_store some(source, 4, c.colour, c.lit);
        const Frame_store::Picture p = some.Get(7, *decodings[0]);
        ASSERT_TRUE(p);
        const int32_t x0 = std::max(0, c.colour.first), x1 = std::min(w - 1, c.colour.last);
        const int32_t l0 = std::max(0, c.lit.first), l1 = std::min(w - 1, c.lit.last);
        for (int32_t y = 0; y < h; ++y) {
            const size_t at = size_t(y) * size_t(stride) + size_t(3 * x0);
            ASSERT_EQ(std::memcmp(p.get() + at, all.get() + at, size_t(3 * (x1 - x0 + 1))), 0) << "row " << y;
            const size_t lit = size_t(y) * size_t(w) + size_t(l0);
            ASSERT_EQ(std::memcmp(some.Brightness(p) + lit, whole.Brightness(all) + lit, size_t(l1 - l0 + 1)), 0)
                << "brightness, row " << y;
        }
    }
}

// Picture memory outlives the store that took it, for the next store of pictures of that size;
// trimming returns only memory nobody holds.
TEST(Picture_pool, KeptForTheNextStoreAndTrimmedOnlyWhereUnheld)
{
    const auto pool = Picture_pool::Shared(1000);
    EXPECT_EQ(Picture_pool::Shared(1000), pool);
    std::vector<uint8_t*> taken;
    for (int i = 0; i < 20; ++i) taken.push_back(pool->Take());
    ASSERT_TRUE(std::none_of(taken.begin(), taken.end(), [](uint8_t* p) { return p == nullptr; }));
    EXPECT_EQ(std::set<uint8_t*>(taken.begin(), taken.end()).size(), taken.size());
    const size_t made = pool->Pictures();
    EXPECT_GE(made, 20u);
    for (size_t i = 1; i < taken.size(); ++i) pool->Give_back(taken[i]);
    pool->Trim(0);
    // The block holding the picture still taken stays, and the picture stays writable.
    EXPECT_GT(pool->Pictures(), 0u);
    EXPECT_LT(pool->Pictures(), made);
    std::memset(taken[0], 7, 1000);
    pool->Give_back(taken[0]);
    pool->Trim(0);
    EXPECT_EQ(pool->Pictures(), 0u);
    EXPECT_NE(Picture_pool::Shared(2000), pool);
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

    // The system gives fewer threads than asked for: the work is still done, once each.
    for (int given : {0, 1, 2}) {
        SCOPED_TRACE(given);
        std::vector<std::atomic<int>> again(60);
        int started = 0;
        Run_parallel(
            again.size(), 4, [&](size_t i, size_t) { ++again[i]; },
            [&](std::function<void()> f) {
                if (started++ == given) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                return std::thread(std::move(f));
            });
        for (auto& d : again) EXPECT_EQ(d.load(), 1);
    }

    // Threads are kept for the next call: forty calls on four threads, each thread held until all
    // four have one index, start few threads, not 120.
    std::atomic<int> fresh{0};
    for (int call = 0; call < 40; ++call) {
        std::latch all(4);
        Run_parallel(4, 4, [&](size_t, size_t worker) {
            thread_local bool seen = false;
            if (worker != 0 && !seen) seen = true, ++fresh;
            all.arrive_and_wait();
        });
    }
    EXPECT_LT(fresh.load(), 40);
}

} // namespace
} // namespace wk
