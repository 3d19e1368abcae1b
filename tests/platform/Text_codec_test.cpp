#include "platform/Text_codec.h"

#include <gtest/gtest.h>

namespace wk::platform {
namespace {

TEST(Text_codec, Windows1252RoundTripsItsWholeRange)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        if (c < 0x80 || c > 0x9F || c == 0x80 || c == 0x8A || c == 0x9F) all += char(c);
    EXPECT_EQ(Utf8_to_ansi(Ansi_to_utf8(all)), all);
    EXPECT_EQ(Ansi_to_utf8("\x80"), "€");
    EXPECT_EQ(Utf8_to_ansi("Åäö€"), "\xC5\xE4\xF6\x80");
}

TEST(Text_codec, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(Utf8_to_ansi("a\xE2\x88\x9E" "b"), "a?b"); // infinity sign
    EXPECT_EQ(Utf8_to_ansi("\xC3"), "?");                // cut sequence
}

} // namespace
} // namespace wk::platform
