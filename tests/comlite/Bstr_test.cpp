#include "comlite/Bstr.h"

#include <gtest/gtest.h>

#include <cstring>

namespace wk::com {
namespace {

TEST(Bstr_test, ABstrCarriesItsByteCountBeforeAndAZeroAfter)
{
    const std::string text = "Göteborg"; // 9 bytes of UTF-8
    BSTR b = Sys_alloc_string(text);
    ASSERT_NE(b, nullptr);
    uint32_t prefix;
    std::memcpy(&prefix, b - 4, 4);
    EXPECT_EQ(prefix, 9u);
    EXPECT_EQ(Sys_string_len(b), 9u);
    EXPECT_EQ(b[9], '\0');
    EXPECT_STREQ(b, text.c_str());
    Sys_free_string(b);
}

TEST(Bstr_test, ZeroBytesInsideAndEmptyAndNullTextsKeepTheirLength)
{
    const std::string inner("a\0b", 3);
    BSTR b = Sys_alloc_string(inner);
    EXPECT_EQ(Sys_string_len(b), 3u);
    EXPECT_EQ(Bstr_view(b), inner);
    Sys_free_string(b);

    BSTR empty = Sys_alloc_string("");
    ASSERT_NE(empty, nullptr); // empty is a text, not "no text"
    EXPECT_EQ(Sys_string_len(empty), 0u);
    Sys_free_string(empty);

    EXPECT_EQ(Sys_string_len(nullptr), 0u);
    EXPECT_EQ(Bstr_view(nullptr), "");
    Sys_free_string(nullptr);
}

TEST(Bstr_test, TheWrapperFreesWhatItHoldsWhenRefilledMovedOrDropped)
{
    Bstr a("first");
    *a.Put() = Sys_alloc_string("second"); // the first is freed (the leak check would see it)
    EXPECT_EQ(a.Str(), "second");
    Bstr b(std::move(a));
    EXPECT_EQ(a.Get(), nullptr);
    EXPECT_EQ(b.View(), "second");
    BSTR raw = b.Detach();
    EXPECT_EQ(b.Get(), nullptr);
    Bstr c = Bstr::Attach(raw);
    EXPECT_EQ(c.Str(), "second");
    EXPECT_EQ(Bstr().View(), "");
}

} // namespace
} // namespace wk::com
