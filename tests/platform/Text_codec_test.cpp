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

// Every byte an XML file in a one-byte set can hold reads as a character that goes back as the
// same byte where a reference would mean nothing (names, comments); in element text the C1 range
// and what the set lacks become references.
TEST(Text_codec, OneByteSetsGiveEveryByteBackInNamesAndReferencesInText)
{
    std::string all;
    for (int c = 1; c < 256; ++c) all += char(c);
    for (const Byte_charset set : {Byte_charset::windows_1252, Byte_charset::iso_8859_15}) {
        const std::optional<std::string> utf8 = Byte_charset_to_utf8(all, set);
        ASSERT_TRUE(utf8);
        EXPECT_EQ(Utf8_to_byte_charset_xml(*utf8, set, true), all);
        const std::optional<std::string> text = Utf8_to_byte_charset_xml(*utf8, set, false);
        ASSERT_TRUE(text);
        for (unsigned char c : *text) EXPECT_FALSE(c >= 0x80 && c <= 0x9F);
    }
    EXPECT_EQ(Byte_charset_to_utf8("\xA4\xA6\xBE", Byte_charset::iso_8859_15), "€ŠŸ");
    EXPECT_EQ(Byte_charset_to_utf8("\x80\x81", Byte_charset::windows_1252), "€\xC2\x81");
    EXPECT_EQ(Utf8_to_byte_charset_xml("¤€Ł\xC2\x81", Byte_charset::iso_8859_15, false), "&#164;\xA4&#321;&#129;");
    EXPECT_EQ(Utf8_to_byte_charset_xml("¤€Ł", Byte_charset::windows_1252, false), "\xA4&#8364;&#321;");
    // What the set lacks cannot stand in a name, nor can text that is not UTF-8.
    EXPECT_EQ(Utf8_to_byte_charset_xml("Ł", Byte_charset::windows_1252, true), std::nullopt);
    EXPECT_EQ(Utf8_to_byte_charset_xml("¤", Byte_charset::iso_8859_15, true), std::nullopt);
    EXPECT_EQ(Utf8_to_byte_charset_xml("a\xFF", Byte_charset::windows_1252, false), std::nullopt);
    // Only the shortest form of a Unicode character: a reference would come back shorter.
    EXPECT_EQ(Utf8_to_byte_charset_xml("\xF0\x87\xBF\xBA", Byte_charset::windows_1252, false), std::nullopt);
    EXPECT_EQ(Utf8_to_byte_charset_xml("\xC0\xA0", Byte_charset::windows_1252, true), std::nullopt);
    EXPECT_EQ(Utf8_to_byte_charset_xml("\xF4\x90\x80\x80", Byte_charset::windows_1252, false), std::nullopt);
    EXPECT_EQ(Utf8_to_byte_charset_xml("\xF0\x9F\x98\x80", Byte_charset::windows_1252, false), "&#128512;");
    // An encoding the program does not know: ASCII only.
    EXPECT_EQ(Byte_charset_to_utf8("Praha", Byte_charset::ascii), "Praha");
    EXPECT_EQ(Byte_charset_to_utf8("Br\xFCnn", Byte_charset::ascii), std::nullopt);
    EXPECT_EQ(Utf8_to_byte_charset_xml("Brünn", Byte_charset::ascii, false), "Br&#252;nn");
}

} // namespace
} // namespace wk::platform
