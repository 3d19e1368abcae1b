// Bytes held in memory: what the readers see of a recording read in whole, or of the bytes a fuzz
// target hands over.
#include "platform/Memory_bytes.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Test_support.h"

#include <cerrno>

namespace wk {
namespace {

using platform::Memory_bytes;

TEST(Memory_bytes, ReadsStopAtTheEndAndAnEmptyReadNeedsNoBuffer)
{
    const Memory_bytes bytes({1, 2, 3, 4}, false);
    uint8_t out[8] = {};
    EXPECT_EQ(bytes.Read_at(2, out, 8), 2);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], 4);
    EXPECT_EQ(bytes.Read_at(4, out, 8), 0);
    EXPECT_EQ(bytes.Read_at(-1, out, 1), -1);
    // An empty palette asks for no bytes and has no buffer to put them in.
    EXPECT_EQ(bytes.Read_at(0, nullptr, 0), 0);
    EXPECT_FALSE(bytes.Read_exact(3, out, 2));
}

TEST(Memory_bytes, WritesGrowTheCopyOnlyWhereTheyMayBeMade)
{
    Memory_bytes read_only({1, 2}, false);
    const uint8_t b[3] = {7, 8, 9};
    EXPECT_FALSE(read_only.Write_at(0, b, 3));
    EXPECT_EQ(read_only.Size(), 2);

    Memory_bytes bytes({1, 2}, true);
    ASSERT_TRUE(bytes.Write_at(4, b, 3));
    EXPECT_EQ(bytes.Bytes(), (std::vector<uint8_t>{1, 2, 0, 0, 7, 8, 9}));
    ASSERT_TRUE(bytes.Allocate(0, 10));
    EXPECT_EQ(bytes.Size(), 10);
}

// A copy in front of a file changes only once the file has the bytes.
TEST(Memory_bytes, ACopyInFrontOfAFileKeepsItsBytesWhenTheFileRefusesAWrite)
{
    test::Temp_home home;
    const std::string path = (home.path() / "held.bin").string();
    test::Write_file(path, std::string("abcdef"));
    test::Failing_disk disk;
    int error = 0;
    auto file = platform::Open_byte_source(path, platform::Raw_file::Mode::Read_write, error);
    ASSERT_TRUE(file);
    Memory_bytes copy({'a', 'b', 'c', 'd', 'e', 'f'}, std::move(file));
    disk.Fail_write(1, ENOSPC);
    const uint8_t x[2] = {'X', 'Y'};
    EXPECT_FALSE(copy.Write_at(1, x, 2));
    EXPECT_EQ(copy.Last_error(), ENOSPC);
    EXPECT_EQ(copy.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e', 'f'}));
    ASSERT_TRUE(copy.Write_at(1, x, 2));
    EXPECT_EQ(copy.Bytes(), (std::vector<uint8_t>{'a', 'X', 'Y', 'd', 'e', 'f'}));
    EXPECT_EQ(test::Read_file(path), "aXYdef");
}

} // namespace
} // namespace wk
