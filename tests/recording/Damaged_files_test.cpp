// Damaged recordings: whatever bytes a file holds, opening and reading it never reads outside
// what it has, and a file that is refused is left closed. Run under the sanitizers, a fault here
// is a read past a buffer or a crash.
#include "platform/Dialogs.h"
#include "platform/Draw_surface.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Module_error.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/recording/Told.h"
#include "tests/support/Test_support.h"

#include <QImage>
#include <random>

namespace wk {
namespace {

class Damaged_files : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    // Opens the bytes as a file of that name and reads every frame it claims to have.
    void Open_and_read_all(const std::string& name, const std::string& bytes)
    {
        test::Write_file(Path(name), bytes);
        cls_AVI_handler rec;
        const size_t reports = errors.reports.size();
        const Recording_outcome opened = rec.Open_File(Path(name));
        if (!opened) {
            EXPECT_FALSE(rec.File_open()) << name;
            // A header text that does not parse reports itself as an error.
            EXPECT_TRUE(!opened.problems.empty() || errors.reports.size() > reports) << name << ": refused without saying why";
            return;
        }
        const int32_t frames = std::min<int32_t>(rec.num_frames(), 12);
        QImage image(720, 576, QImage::Format_RGB32);
        platform::Draw_surface picture(&image);
        for (int32_t k = 0; k <= frames + 1; ++k) {
            if (rec.Read_Frame(k)) {
                EXPECT_FALSE(rec.Frame_bytes().empty());
                EXPECT_LE(rec.Frame_bytes().size(), size_t(rec.File_size()));
                rec.Draw_field(2 * k - 1, picture);
                rec.Draw_field(2 * k, picture);
            } else {
                EXPECT_TRUE(rec.Frame_bytes().empty());
                EXPECT_FALSE(rec.Extra().Has_Frame_Time_Stamp());
            }
        }
        rec.Close_File();
    }
    void SetUp() override { dialogs.Allow_any_message(); }
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    test::Captured_reports errors;
};

std::string Make_qs2(const std::string& path, int frames)
{
    auto dv = test::Make_DV_frames(frames);
    cls_AVI_handler rec;
    rec.File_name(path);
    rec.Create_File();
    rec.Initiate_file();
    for (int k = 0; k < frames; ++k) {
        test::Write_DV_extra_data(dv[size_t(k)], {.stamp_tick = 40 * k});
        rec.Append_DV_frame(dv[size_t(k)]);
    }
    rec.Close_File();
    return test::Read_file(path);
}

// A refused open hands its caller what refused it, as a kind with the operator's message, and
// raises no box of its own: the caller is the one who tells.
TEST_F(Damaged_files, ARefusedOpenReturnsItsProblemAndShowsNothing)
{
    const std::string good = Make_qs2(Path("good.qs2"), 1);
    std::string bad_magic = good;
    bad_magic[0] = 'X';
    const std::string cut_frame(reinterpret_cast<const char*>(test::Make_DV_frames(1)[0].data()), 143999);
    using K = Recording_problem::Kind;
    const struct {
        const char* name;
        std::string bytes;
        K kind;
        const char* said;
    } cases[] = {
        {"short.qs2", std::string(99, 'x'), K::invalid_length, "Corrupt file, (Invalid file length)"},
        {"clip.mov", good, K::not_recording_kind, "cls_AVI_handler can't open this file type!"},
        {"magic.qs2", bad_magic, K::corrupt, "not a Wakeline recording"},
        {"zeros.dv", std::string(200000, '\0'), K::corrupt, "no DV data found"},
        {"text.dv", std::string(200000, 'x'), K::corrupt, "no DV header"},
        {"cut.dv", cut_frame, K::corrupt, "shorter than one DV frame"},
    };
    test::Scripted_dialogs strict; // any box fails the test
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::Write_file(Path(c.name), c.bytes);
        cls_AVI_handler rec;
        const Recording_outcome opened = rec.Open_File(Path(c.name));
        EXPECT_FALSE(opened);
        EXPECT_FALSE(rec.File_open());
        ASSERT_EQ(opened.problems.size(), 1u) << opened.Text();
        EXPECT_EQ(opened.problems[0].kind, c.kind);
        EXPECT_NE(opened.problems[0].Text().find(c.said), std::string::npos) << opened.problems[0].Text();
        EXPECT_EQ(opened.problems[0].path, Path(c.name));
        EXPECT_TRUE(rec.Take_problems().empty()) << "what the open returned is not kept for a second telling";
    }
    EXPECT_TRUE(strict.shown.empty());
}

TEST_F(Damaged_files, OwnFormatWithDamagedHeadsAndCutEnds)
{
    const std::string good = Make_qs2(Path("good.qs2"), 3);
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        std::string bad = good;
        // Damage a few bytes of the 20-byte head or the header text, and sometimes cut the end.
        const int hits = 1 + int(rng() % 4);
        for (int h = 0; h < hits; ++h) {
            const size_t at = (round % 3 == 0) ? rng() % 20 : 20 + rng() % 2000;
            bad[at] = char(rng());
        }
        if (round % 4 == 1) bad.resize(100 + rng() % (bad.size() - 100));
        Open_and_read_all("bad" + std::to_string(round) + ".qs2", bad);
    }
}

TEST_F(Damaged_files, AviWithDamagedChunksAndIndexes)
{
    const auto frames = test::Make_DV_frames(4);
    const auto built = test::Build_DV_AVI(frames, {});
    const std::string good(built.bytes.begin(), built.bytes.end());
    std::mt19937 rng(11);
    for (int round = 0; round < 80; ++round) {
        std::string bad = good;
        const int hits = 1 + int(rng() % 6);
        for (int h = 0; h < hits; ++h) {
            size_t at;
            switch (round % 4) {
            case 0: at = rng() % 2048; break;                                                   // headers
            case 1: at = size_t(built.index_offset) + rng() % (good.size() - size_t(built.index_offset)); break; // index
            case 2: at = size_t(built.movie_offset) + rng() % 64; break;                         // first chunk
            default: at = rng() % good.size(); break;
            }
            bad[at] = char(rng());
        }
        if (round % 5 == 2) bad.resize(12 + rng() % (bad.size() - 12));
        Open_and_read_all("bad" + std::to_string(round) + ".avi", bad);
    }
}

TEST_F(Damaged_files, MultiStreamAndRawDvWithAnyBytes)
{
    const auto frames = test::Make_DV_frames(2);
    std::mt19937 rng(3);
    for (int round = 0; round < 30; ++round) {
        DV_Header_Record r;
        r.Stream_count = int32_t(rng() % 7) - 1;
        r.Frame_count = int32_t(rng() % 5) - 1;
        auto head = r.To_bytes();
        if (round % 3 == 0) head[4 + rng() % 4] = uint8_t(rng());
        std::string bytes(head.begin(), head.end());
        for (const auto& f : frames) bytes.append(f.begin(), f.end());
        if (round % 2) bytes.resize(size_t(rng() % bytes.size()));
        Open_and_read_all("bad" + std::to_string(round) + ".sdv", bytes);
        std::string dv(frames[0].begin(), frames[0].end());
        dv[rng() % 8] = char(rng());
        dv.resize(100 + rng() % (dv.size() - 100));
        Open_and_read_all("bad" + std::to_string(round) + ".dv", dv);
    }
}

} // namespace
} // namespace wk
