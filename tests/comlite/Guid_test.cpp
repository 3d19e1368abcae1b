#include "comlite/Guid.h"
#include "comlite/Hresult.h"
#include "comlite/IClassFactory.h"

#include <gtest/gtest.h>

namespace wk::com {
namespace {

TEST(Guid_test, TheRegistryFormReadsFieldByFieldAndWritesBackInUpperCase)
{
    const auto g = Parse_guid("{a2e03420-98bb-43b2-96ee-28d0ce80ce3a}");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->Data1, 0xA2E03420u);
    EXPECT_EQ(g->Data2, 0x98BBu);
    EXPECT_EQ(g->Data3, 0x43B2u);
    EXPECT_EQ(g->Data4, (std::array<uint8_t, 8>{0x96, 0xEE, 0x28, 0xD0, 0xCE, 0x80, 0xCE, 0x3A}));
    EXPECT_EQ(Format_guid(*g), "{A2E03420-98BB-43B2-96EE-28D0CE80CE3A}");
    EXPECT_EQ(Parse_guid(Format_guid(*g)), g);
}

TEST(Guid_test, LeadingZerosAndTheHighestDigitsSurviveTheRoundTrip)
{
    for (const char* text : {"{00000000-0000-0000-C000-000000000046}", "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}",
                             "{00000001-0000-0000-C000-000000000046}", "{0A0B0C0D-0E0F-1011-1213-141516171819}"}) {
        const auto g = Parse_guid(text);
        ASSERT_TRUE(g) << text;
        EXPECT_EQ(Format_guid(*g), text);
    }
    EXPECT_EQ(IUnknown::iid.Data4[0], 0xC0);
    EXPECT_EQ(IClassFactory::iid.Data1, 1u);
    EXPECT_NE(IUnknown::iid, IClassFactory::iid);
}

TEST(Guid_test, AnythingButTheExactFormIsRefused)
{
    for (const char* text : {"", "{}", "A2E03420-98BB-43B2-96EE-28D0CE80CE3A", "{A2E03420-98BB-43B2-96EE-28D0CE80CE3A",
                             "{A2E03420-98BB-43B2-96EE-28D0CE80CE3A}x", "{A2E03420+98BB-43B2-96EE-28D0CE80CE3A}",
                             "{A2E03420-98BB-43B2-96EE28-D0CE80CE3A}", "{G2E03420-98BB-43B2-96EE-28D0CE80CE3A}",
                             "{A2E03420-98BB-43B2-96EE-28D0CE80CE3Z}", "{A2E0342 -98BB-43B2-96EE-28D0CE80CE3A}",
                             "BrixCap.VideoCap4.1"})
        EXPECT_FALSE(Parse_guid(text)) << text;
}

TEST(Hresult_test, ResultsHaveWindowsNumbersAndTexts)
{
    EXPECT_EQ(uint32_t(E_FAIL), 0x80004005u);
    EXPECT_EQ(uint32_t(REGDB_E_CLASSNOTREG), 0x80040154u);
    EXPECT_EQ(uint32_t(CONNECT_E_NOCONNECTION), 0x80040200u);
    EXPECT_EQ(uint32_t(CLASS_E_NOAGGREGATION), 0x80040110u);
    EXPECT_TRUE(Failed(E_POINTER));
    EXPECT_TRUE(Succeeded(S_FALSE));
    EXPECT_EQ(Hresult_text(E_FAIL), "Unspecified error");
    EXPECT_EQ(Hresult_text(REGDB_E_CLASSNOTREG), "Class not registered");
    EXPECT_EQ(Hresult_text(Hresult_of(0x8004FFFF)), "Unknown error 0x8004FFFF");
}

} // namespace
} // namespace wk::com
