// The record's bytes: the file format the recordings read back.
#include "capture/DV_Extra_Data_Composite.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/support/Test_support.h"

#include <cstring>
#include <stdexcept>

namespace wk {
namespace {

DV_Extra_Data_Composite Chosen_record()
{
    Capture_record r;
    r.arrival_tick = 0x01020304;
    r.frame_tick = -2; // a tick past the wrap
    r.heat_start = 500000;
    r.local_time_ms = 36000123;
    r.model_frame = 7;
    r.hit = 1;
    r.capturing = -1;
    r.lap_count = 3;
    r.first_boat = -1;
    r.tolv_camera = 2;
    r.goal_offset = -40;
    r.split_offset = 0x1234;
    return DV_Extra_Data_Composite(r);
}

// The record that lies in frame at offset.
Capture_record Read_from(std::span<const uint8_t> frame, size_t offset)
{
    return Capture_record::From_bytes(frame.subspan(offset));
}

TEST(DV_Extra_Data_Composite_test, ChosenValuesGiveTheseBytesAndZeroEverywhereElse)
{
    std::array<uint8_t, 192> expected{};
    const auto put = [&](size_t at, std::initializer_list<uint8_t> bytes) { std::copy(bytes.begin(), bytes.end(), expected.begin() + at); };
    put(0, {'S', 'S', 'C', 'D'});
    put(4, {192, 0, 0, 0});
    put(8, {'C', 'D', '0', '1'});
    put(12, {0x04, 0x03, 0x02, 0x01});
    put(24, {0xFE, 0xFF, 0xFF, 0xFF});
    put(28, {0x20, 0xA1, 0x07, 0x00});
    put(32, {0x7B, 0x51, 0x25, 0x02});
    put(36, {7, 0});
    put(74, {'S', 'S', 'F', 'C'});
    put(162, {1, 0});
    put(164, {0xFF, 0xFF});
    put(166, {3, 0});
    put(168, {0xFF, 0xFF});
    put(170, {2, 0});
    put(172, {0xD8, 0xFF});
    put(174, {0x34, 0x12});
    put(186, {'S', 'S', 'E', 'M'});

    std::vector<uint8_t> frame(k_DV_frame_size, 0xAA);
    Chosen_record().Write_into(frame, 12000);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), frame.begin() + 12000));
    // Nothing around the record is touched.
    EXPECT_EQ(frame[11999], 0xAA);
    EXPECT_EQ(frame[12192], 0xAA);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0xAA), int64_t(k_DV_frame_size - 192));
}

TEST(DV_Extra_Data_Composite_test, TheRecordingsFixtureWritesTheSameRecordForTheSameValues)
{
    std::vector<uint8_t> ours(k_DV_frame_size), theirs(k_DV_frame_size);
    Chosen_record().Write_into(ours, 12000);
    test::Write_DV_extra_data(theirs, {.arrival_tick = 0x01020304, .stamp_tick = -2, .heat_start = 500000,
                                       .local_time_ms = 36000123, .hit_flag = 1, .linear_mark = -1, .lap_count = 3,
                                       .first_boat = -1, .camera = 2, .goal_offset = -40, .split_offset = 0x1234});
    // The fixture leaves the length and the model frame out; everything else agrees byte for byte.
    for (size_t i = 0; i < 192; ++i) {
        if ((i >= 4 && i < 8) || i == 36) continue;
        EXPECT_EQ(ours[12000 + i], theirs[12000 + i]) << "record byte " << i;
    }
}

TEST(DV_Extra_Data_Composite_test, ARecordThatWouldNotFitIsRefusedAndTheFrameStaysAsItWas)
{
    std::vector<uint8_t> frame(k_DV_frame_size, 0x55);
    const auto before = frame;
    const DV_Extra_Data_Composite record;
    EXPECT_EQ(test::Error_number([&] { record.Write_into(frame, 143900); }), err_Subscript);
    EXPECT_EQ(test::Error_number([&] { record.Write_into(frame, -1); }), err_Subscript);
    EXPECT_THROW(Read_from(frame, 143809), std::out_of_range) << "nor is one read past the frame's end";
    EXPECT_EQ(frame, before);
    // The last place it fits is taken.
    record.Write_into(frame, 143808);
    EXPECT_EQ(std::memcmp(frame.data() + 143808 + 186, "SSEM", 4), 0);
}

TEST(DV_Extra_Data_Composite_test, ReadingBackGivesTheFieldsAndAnEmptyRecordHasOnlyItsMarkers)
{
    std::vector<uint8_t> frame(k_DV_frame_size);
    Chosen_record().Write_into(frame, 12000);
    const Capture_record read = Read_from(frame, 12000);
    EXPECT_EQ(read.frame_tick, -2);
    EXPECT_EQ(read.goal_offset, -40);
    EXPECT_EQ(read.first_boat, -1);
    EXPECT_TRUE(Capture_record::Ends_record(std::span(frame).subspan(12000)));

    const DV_Extra_Data_Composite empty;
    const auto b = empty.Bytes();
    EXPECT_EQ(Capture_record::From_bytes(b).length, 192);
    EXPECT_EQ(std::count(b.begin(), b.end(), 0), 192 - 16 - 1); // four markers and the length byte
    frame[12000 + 186] = 'X';
    EXPECT_FALSE(Capture_record::Ends_record(std::span(frame).subspan(12000)));
}

} // namespace
} // namespace wk
