// The capture record's codec: where each field lies, what makes a record whole, and that the
// frames the tools make carry the fields the recording reads back.
#include "recording/Capture_record.h"
#include "tests/fixtures/DV_fixtures.h"

#include <gtest/gtest.h>

#include <cstring>

namespace wk {
namespace {

int64_t Little_endian(const Capture_record::Bytes& b, size_t at, size_t width)
{
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i) v |= uint64_t(b[at + i]) << (8 * i);
    return width == 2 ? int16_t(v) : int32_t(v);
}

TEST(Capture_record, EachFieldLiesAtItsOffsetLittleEndianTheGapsStayZeroAndItReadsBack)
{
    Capture_record r;
    r.arrival_tick = -2;
    r.frame_tick = 0x11223344;
    r.heat_start = 7;
    r.local_time_ms = 86'399'999;
    r.model_frame = 3;
    r.comment = "Lane 4 \xe9";
    r.hit = 1;
    r.capturing = -1;
    r.lap_count = 12;
    r.first_boat = -1;
    r.tolv_camera = 2;
    r.goal_offset = -40;
    r.split_offset = 500;
    const Capture_record::Bytes b = r.To_bytes();
    struct Field {
        size_t at, width;
        int64_t value;
    };
    const Field fields[] = {{4, 4, 192},   {12, 4, -2},   {24, 4, 0x11223344}, {28, 4, 7},    {32, 4, 86'399'999},
                            {36, 2, 3},    {162, 2, 1},   {164, 2, -1},        {166, 2, 12},  {168, 2, -1},
                            {170, 2, 2},   {172, 2, -40}, {174, 2, 500}};
    std::vector<bool> named(b.size(), false);
    for (const Field& f : fields) {
        EXPECT_EQ(Little_endian(b, f.at, f.width), f.value) << "at " << f.at;
        std::fill_n(named.begin() + long(f.at), f.width, true);
    }
    const std::pair<size_t, const char*> markers[] = {{0, "SSCD"}, {8, "CD01"}, {74, "SSFC"}, {82, "Lane 4 \xe9"}, {186, "SSEM"}};
    for (const auto& [at, text] : markers) {
        EXPECT_EQ(std::memcmp(&b[at], text, std::strlen(text)), 0) << "at " << at;
        std::fill_n(named.begin() + long(at), std::strlen(text), true);
    }
    for (size_t i = 0; i < b.size(); ++i)
        EXPECT_TRUE(named[i] || b[i] == 0) << "gap byte " << i;
    EXPECT_EQ(Capture_record::From_bytes(b), r);
    EXPECT_THROW(Capture_record::From_bytes(std::span(b).first(191)), std::out_of_range);
}

// A camera's own field times go into bytes that older records leave zero, marked so that a reader
// knows which rule gives the frame's time; anything but the mark reads as an older record.
TEST(Capture_record, PictureTimesLieInTheOldGapUnderTheirMark)
{
    Capture_record r;
    r.frame_tick = 1037;
    r.second_field_tick = 1057;
    r.picture_times = true;
    Capture_record::Bytes b = r.To_bytes();
    EXPECT_EQ(Little_endian(b, 16, 4), 1057);
    EXPECT_EQ(std::memcmp(&b[20], "PICT", 4), 0);
    EXPECT_EQ(Capture_record::From_bytes(b), r);
    EXPECT_TRUE(Capture_record::Whole(b));
    b[23] = 'X'; // not the mark: the second tick is not taken either
    const Capture_record old = Capture_record::From_bytes(b);
    EXPECT_FALSE(old.picture_times);
    EXPECT_EQ(old.second_field_tick, 0);
    EXPECT_EQ(old.frame_tick, 1037);
}

TEST(Capture_record, ARecordIsWholeWithItsFourMarkersAndALengthOf192OrNone)
{
    struct Case {
        const char* what;
        size_t at;     // where the bytes are spoiled
        uint8_t value; // what they become
        size_t size;   // bytes given
        bool starts, bounded, whole;
    };
    const Case cases[] = {
        {"as written", 0, 'S', 192, true, true, true},
        {"length left 0", 4, 0, 192, true, true, true},
        {"another length", 4, 191, 192, true, true, false},
        {"no version", 8, 'X', 192, true, true, false},
        {"no frame marker", 74, 'X', 192, true, true, false},
        {"no end marker", 186, 'X', 192, true, false, false},
        {"no start marker", 0, 'X', 192, false, false, false},
        {"cut before its end", 0, 'S', 191, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Capture_record::Bytes b = Capture_record{}.To_bytes();
        b[c.at] = c.value;
        const std::span<const uint8_t> given = std::span(b).first(c.size);
        EXPECT_EQ(Capture_record::Starts_record(given), c.starts);
        EXPECT_EQ(Capture_record::Bounded(given), c.bounded);
        EXPECT_EQ(Capture_record::Whole(given), c.whole);
    }
}

TEST(Capture_record, ACommentIsCutAt80BytesAndEveryOtherByteIsKept)
{
    Capture_record::Bytes b;
    b.fill(0xAA);
    Capture_record::Let_comment(b, std::string(81, 'c'));
    EXPECT_EQ(Capture_record::Comment_of(b), std::string(80, 'c'));
    Capture_record::Let_comment(b, "ab");
    EXPECT_EQ(Capture_record::Comment_of(b), "ab");
    EXPECT_EQ(b[81], 0xAA);
    EXPECT_EQ(b[84], 0);
    EXPECT_EQ(b[161], 0);
    EXPECT_EQ(b[162], 0xAA);
    EXPECT_EQ(std::count(b.begin(), b.end(), 0xAA), 192 - 80);
}

// The tools' frames are read back by the recording with the fields the tool was given.
TEST(Capture_record, AFrameMadeByTheToolsCarriesTheFieldsItWasGiven)
{
    std::vector<uint8_t> frame(144000, 0x55);
    test::Write_DV_extra_data(frame, {.arrival_tick = 11, .stamp_tick = 1020, .heat_start = 500, .local_time_ms = 9,
                                      .comment = "é", .hit_flag = 1, .linear_mark = -1, .lap_count = 2,
                                      .first_boat = -1, .camera = 3, .goal_offset = 4, .split_offset = 5});
    const auto bytes = std::span<const uint8_t>(frame).subspan(size_t(capture_record::k_Offset));
    ASSERT_TRUE(Capture_record::Whole(bytes));
    const Capture_record r = Capture_record::From_bytes(bytes);
    Capture_record expected;
    expected.length = 0;
    expected.arrival_tick = 11;
    expected.frame_tick = 1020;
    expected.heat_start = 500;
    expected.local_time_ms = 9;
    expected.comment = "\xe9";
    expected.hit = 1;
    expected.capturing = -1;
    expected.lap_count = 2;
    expected.first_boat = -1;
    expected.tolv_camera = 3;
    expected.goal_offset = 4;
    expected.split_offset = 5;
    EXPECT_EQ(r, expected);
    EXPECT_EQ(frame[size_t(capture_record::k_Offset) - 1], 0x55);
    EXPECT_EQ(frame[size_t(capture_record::k_Offset) + 192], 0x55);
}

} // namespace
} // namespace wk
