#include "platform/Registry_store.h"
#include "services/Run_time_error.h"
#include "services/cRegistry.h"
#include "tests/support/Test_support.h"
#include "tests/support/Told_operator.h"

#include <cstdlib>

namespace wk {
namespace {

using namespace platform;

class Registry_access : public ::testing::Test {
protected:
    void SetUp() override
    {
        reg.ClassKey(HKEY_LOCAL_MACHINE);
        reg.SectionKey("Software\\Wakeline\\Test");
        reg.Default(std::string("dflt"));
    }
    int32_t Raised(const std::function<void()>& f, std::string* text = nullptr)
    {
        try {
            f();
        } catch (const Run_time_error& e) {
            if (text) *text = e.description();
            EXPECT_EQ(e.source(), "Wakeline3_0.cRegistry");
            return e.number();
        }
        return 0;
    }
    test::Temp_home home;
    test::Scripted_dialogs dialogs; // no box comes from below the windows
    test::Told_operator told;
    cRegistry reg;
};

TEST_F(Registry_access, MissingValuesAndKeysGiveTheDefault)
{
    reg.CreateKey();
    reg.ValueKey("absent");
    EXPECT_EQ(std::get<std::string>(reg.Value()), "dflt");
    EXPECT_TRUE(told.told.empty()); // a missing value is no error
    reg.SectionKey("Software\\Nowhere");
    EXPECT_EQ(std::get<std::string>(reg.Value()), "dflt");
    EXPECT_TRUE(told.Said("Error reading registry, No such file or directory"));
}

TEST_F(Registry_access, TextValuesReadBackWholeAndNothingMore)
{
    reg.ValueType(REG_SZ);
    reg.ValueKey("one");
    reg.Value(std::string("x"));
    reg.ValueKey("empty");
    reg.Value(std::string());
    reg.ValueKey("Östra");
    reg.Value(std::string("Göinge"));
    reg.ValueKey("ONE"); // names ignore case
    EXPECT_EQ(std::get<std::string>(reg.Value()), "x");
    reg.ValueKey("empty");
    EXPECT_EQ(std::get<std::string>(reg.Value()), "");
    reg.ValueKey("Östra");
    EXPECT_EQ(std::get<std::string>(reg.Value()), "Göinge");
}

TEST_F(Registry_access, PercentPairsMakeExpandableTexts)
{
    setenv("WK_REG_TEST", "expanded", 1);
    reg.ValueType(REG_SZ);
    reg.ValueKey("exp");
    reg.Value(std::string("%WK_REG_TEST%\\bin"));
    reg.ValueKey("plain");
    reg.Value(std::string("100% sure"));
    Reg_value raw;
    Registry_store store;
    ASSERT_EQ(store.Get_value(HKEY_LOCAL_MACHINE, "Software\\Wakeline\\Test", "exp", raw), REG_OK);
    EXPECT_EQ(raw.type, uint32_t(REG_EXPAND_SZ));
    ASSERT_EQ(store.Get_value(HKEY_LOCAL_MACHINE, "Software\\Wakeline\\Test", "plain", raw), REG_OK);
    EXPECT_EQ(raw.type, uint32_t(REG_SZ));
    reg.ValueKey("exp");
    EXPECT_EQ(std::get<std::string>(reg.Value()), "expanded\\bin");
    EXPECT_EQ(reg.ValueType(), REG_EXPAND_SZ);
}

TEST_F(Registry_access, NumbersAreStoredAsLittleEndianDwords)
{
    reg.ValueType(REG_DWORD_BIG_ENDIAN);
    reg.ValueKey("seven");
    reg.Value(int32_t(7));
    Reg_value raw;
    ASSERT_EQ(Registry_store().Get_value(HKEY_LOCAL_MACHINE, "Software\\Wakeline\\Test", "seven", raw), REG_OK);
    EXPECT_EQ(raw.type, uint32_t(REG_DWORD));
    EXPECT_EQ(raw.data, (std::vector<uint8_t>{7, 0, 0, 0}));
    EXPECT_EQ(std::get<int32_t>(reg.Value()), 7);
    // A stored big-endian number reads with its bytes reversed.
    Registry_store().Set_value(HKEY_LOCAL_MACHINE, "Software\\Wakeline\\Test", "be", {REG_DWORD_BIG_ENDIAN, {0, 0, 1, 2}});
    reg.ValueKey("be");
    EXPECT_EQ(std::get<int32_t>(reg.Value()), 0x0102);
    // Anything but a whole number is refused loudly.
    reg.ValueType(REG_DWORD);
    reg.ValueKey("bad");
    EXPECT_EQ(Raised([&] { reg.Value(2.5); }), 26001);
    EXPECT_EQ(Raised([&] { reg.Value(std::string("12")); }), 26001);
}

TEST_F(Registry_access, BinaryValuesKeepTheirOwnLength)
{
    reg.ValueType(REG_BINARY);
    reg.ValueKey("bin");
    reg.Value(std::vector<uint8_t>{1, 2, 3});
    EXPECT_EQ(std::get<std::vector<uint8_t>>(reg.Value()), (std::vector<uint8_t>{1, 2, 3}));
    std::string text;
    EXPECT_EQ(Raised([&] { reg.Value(std::string("not bytes")); }, &text), 26001);
    EXPECT_EQ(text, "Failed to set registry value Key: '-2147483646',Section: 'Software\\Wakeline\\Test',Key: 'bin' "
                    "to value: 'not bytes'");
}

TEST_F(Registry_access, KeysAreCreatedEnumeratedAndDeleted)
{
    reg.SectionKey("Software\\Wakeline\\Test\\A");
    EXPECT_TRUE(reg.CreateKey());
    reg.SectionKey("Software\\Wakeline\\Test\\B");
    EXPECT_TRUE(reg.CreateKey());
    reg.ValueType(REG_SZ);
    reg.ValueKey("v1");
    reg.Value(std::string("1"));
    reg.ValueKey("v2");
    reg.Value(std::string("2"));
    std::vector<std::string> names;
    int32_t count = -1;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"v1", "v2"}));
    reg.SectionKey("Software\\Wakeline\\Test");
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
    reg.SectionKey("Software\\Nowhere");
    EXPECT_FALSE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);

    reg.SectionKey("Software\\Wakeline\\Test\\B");
    reg.ValueKey("v1");
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_EQ(Raised([&] { reg.DeleteValue(); }), 26001);
    reg.SectionKey("Software\\Wakeline\\Test");
    std::string text;
    EXPECT_EQ(Raised([&] { reg.DeleteKey(); }, &text), 26001); // it has subkeys
    EXPECT_EQ(text, "Failed to delete registry Key: '-2147483646',Section: 'Software\\Wakeline\\Test");
    reg.SectionKey("Software\\Wakeline\\Test\\A");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(reg.KeyExists());
}

TEST_F(Registry_access, MachineNamesAreNormalisedAndOtherMachinesAreNotReached)
{
    reg.CreateKey();
    reg.Machine("ab");
    EXPECT_EQ(reg.Machine(), "");
    reg.Machine("racepc");
    EXPECT_EQ(reg.Machine(), "\\\\racepc");
    reg.Machine("\\\\other-host-that-is-not-here");
    reg.ValueType(REG_SZ);
    reg.ValueKey("remote");
    reg.Value(std::string("x")); // writes nothing
    reg.Machine("");
    EXPECT_EQ(std::get<std::string>(reg.Value()), "dflt");
}

TEST_F(Registry_access, AssociationsAreWrittenUnderBothRoots)
{
    reg.CreateEXEAssociation("/opt/wk/Wakeline3_0", "qs2_ext", "Wakeline data file", "qs2", "", true);
    Registry_store store;
    Reg_value v;
    ASSERT_EQ(store.Get_value(HKEY_CLASSES_ROOT, ".qs2", "", v), REG_OK);
    EXPECT_EQ(Registry_store::Value_text(v), "qs2_ext");
    ASSERT_EQ(store.Get_value(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\qs2_ext\\shell\\open\\command", "", v), REG_OK);
    EXPECT_EQ(Registry_store::Value_text(v), "/opt/wk/Wakeline3_0 \"%1\"");
    ASSERT_EQ(store.Get_value(HKEY_CLASSES_ROOT, "qs2_ext\\shell\\print\\command", "", v), REG_OK);
    EXPECT_EQ(Registry_store::Value_text(v), "/opt/wk/Wakeline3_0 /p \"%1\"");
    ASSERT_EQ(store.Get_value(HKEY_CLASSES_ROOT, "qs2_ext\\shell\\open", "", v), REG_OK);
    EXPECT_EQ(Registry_store::Value_text(v), "&Open");
    EXPECT_EQ(reg.ClassKey(), uint32_t(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(reg.SectionKey(), "Software\\Wakeline\\Test");

    std::string text;
    EXPECT_EQ(Raised([&] { reg.CreateAdditionalEXEAssociations("qs2_ext", {"a", "b"}); }, &text), 26001);
    EXPECT_EQ(text, "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    EXPECT_EQ(Raised([&] { reg.CreateAdditionalEXEAssociations("nope", {"a", "b", "c"}); }, &text), 26001);
    EXPECT_EQ(text, "Error - attempt to create additional associations before class defined.");
    reg.CreateAdditionalEXEAssociations("qs2_ext", {"export", "&Export", "/opt/wk/Wakeline3_0 /e \"%1\""});
    ASSERT_EQ(store.Get_value(HKEY_CLASSES_ROOT, "qs2_ext\\shell\\export\\command", "", v), REG_OK);
    EXPECT_EQ(Registry_store::Value_text(v), "/opt/wk/Wakeline3_0 /e \"%1\"");
}

TEST_F(Registry_access, AKeyNameEndingInABackslashOrHoldingAnEmptyPartIsRefused)
{
    for (const std::string section : {"Software\\Wakeline\\Test\\", "Software\\\\Wakeline"}) {
        SCOPED_TRACE(section);
        reg.SectionKey(section);
        reg.ValueKey("v");
        reg.ValueType(REG_SZ);
        EXPECT_FALSE(reg.KeyExists());
        told.told.clear();
        EXPECT_EQ(std::get<std::string>(reg.Value()), "dflt");
        EXPECT_TRUE(told.Said("Error reading registry, No such file or directory"));
        EXPECT_EQ(Raised([&] { reg.Value(std::string("x")); }), 26001);
        EXPECT_EQ(Raised([&] { reg.CreateKey(); }), 26001);
        EXPECT_EQ(Raised([&] { reg.DeleteKey(); }), 26001);
        EXPECT_EQ(Raised([&] { reg.DeleteValue(); }), 26001);
        std::vector<std::string> names{"left"};
        int32_t count = 5;
        EXPECT_FALSE(reg.EnumerateSections(names, count));
        EXPECT_EQ(count, 0);
        EXPECT_TRUE(names.empty());
    }
    EXPECT_EQ(Registry_store().Subkey_names(HKEY_LOCAL_MACHINE, ""), std::vector<std::string>{}); // nothing written
}

TEST_F(Registry_access, ADamagedStoreShowsOnlyItsSoundKeysAndKeepsTheRestThroughAWrite)
{
    const std::string damaged = "K 80000002\\Software\\Wakeline\\\nK 80000002\\Software\\Wakeline\\\\Old\n";
    test::Write_file(Registry_store().Path(),
                     damaged + "K 80000002\\Software\nK 80000002\\Software\\Wakeline\nK 80000002\\Software\\Wakeline\\Test\n");
    reg.SectionKey("Software\\Wakeline");
    std::vector<std::string> names;
    int32_t count = 0;
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(names, std::vector<std::string>{"Test"});
    EXPECT_EQ(count, 1);
    reg.ValueType(REG_SZ);
    reg.ValueKey("v");
    reg.Value(std::string("x"));
    EXPECT_EQ(std::get<std::string>(reg.Value()), "x");
    EXPECT_EQ(test::Read_file(Registry_store().Path()).rfind(damaged, 0), 0u);
}

} // namespace
} // namespace wk
