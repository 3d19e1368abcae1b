// The registry store's file: refused key names, damaged lines kept aside, whole trees deleted,
// and writes that fail leaving the store as it was.
#include "platform/Registry_store.h"
#include "tests/support/Test_support.h"

#include <unistd.h>

#include <filesystem>

namespace wk::platform {
namespace {

namespace fs = std::filesystem;

class Registry_store_file : public ::testing::Test {
protected:
    std::string Text(uint32_t root, const std::string& key, const std::string& name = "") const
    {
        Reg_value v;
        const int32_t r = store.Get_value(root, key, name, v);
        return r == REG_OK ? Registry_store::Value_text(v) : "(" + std::to_string(r) + ")";
    }
    std::vector<std::string> Subkeys(uint32_t root, const std::string& key) const
    {
        return store.Subkey_names(root, key).value_or(std::vector<std::string>{"(none)"});
    }
    // A value line as the store writes it.
    static std::string Value_line(const std::string& name, const std::string& text)
    {
        const auto hex = [](const std::string& s) {
            std::string h;
            for (unsigned char c : s) {
                h += "0123456789abcdef"[c >> 4];
                h += "0123456789abcdef"[c & 15];
            }
            return h;
        };
        return "V 1 " + hex(name) + " " + hex(text + '\0');
    }

    test::Temp_home home;
    fs::path path = home.path() / "registry.txt";
    Registry_store store{path.string()};
};

TEST_F(Registry_store_file, ANameWithAnEmptyPartIsRefusedByEveryCallAndNothingIsWritten)
{
    ASSERT_EQ(store.Set_value(HKEY_LOCAL_MACHINE, "Software\\Wakeline", "v", Registry_store::Text_value("kept")), REG_OK);
    const std::string before = test::Read_file(path);
    for (const std::string key : {"Software\\Wakeline\\", "Software\\\\Wakeline", "\\Software\\Wakeline",
                                  "Software/Wakeline/", "Software\\Wakeline\\\\", "\\", "Software\nK 80000002\\X"}) {
        SCOPED_TRACE(key);
        Reg_value v;
        EXPECT_EQ(store.Set_value(HKEY_LOCAL_MACHINE, key, "v", Registry_store::Text_value("x")), REG_BAD_PATHNAME);
        EXPECT_EQ(store.Create_key(HKEY_LOCAL_MACHINE, key), REG_BAD_PATHNAME);
        EXPECT_EQ(store.Open_key(HKEY_LOCAL_MACHINE, key), REG_BAD_PATHNAME);
        EXPECT_FALSE(store.Key_exists(HKEY_LOCAL_MACHINE, key));
        EXPECT_EQ(store.Get_value(HKEY_LOCAL_MACHINE, key, "v", v), REG_BAD_PATHNAME);
        EXPECT_EQ(store.Delete_value(HKEY_LOCAL_MACHINE, key, "v"), REG_BAD_PATHNAME);
        EXPECT_EQ(store.Delete_key(HKEY_LOCAL_MACHINE, key), REG_BAD_PATHNAME);
        EXPECT_EQ(store.Delete_tree(HKEY_LOCAL_MACHINE, key), REG_BAD_PATHNAME);
        EXPECT_FALSE(store.Value_names(HKEY_LOCAL_MACHINE, key));
        EXPECT_FALSE(store.Subkey_names(HKEY_LOCAL_MACHINE, key));
    }
    EXPECT_EQ(test::Read_file(path), before);
    // "/" still parts a name as "\" does.
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "software/wakeline", "V"), "kept");
}

TEST_F(Registry_store_file, DamagedLinesAreLeftAsTheyStandAndTheSoundKeysServe)
{
    const std::string clsid = "K 80000000\\CLSID\\{X}";
    const std::vector<std::string> damaged{
        clsid + "\\",                        // ends in "\"
        Value_line("", "of the key ending in \\"),
        "K 80000000\\CLSID\\\\{Y}",          // an empty part
        "K 80000000",                        // a root alone
        "K HKCR\\CLSID",                     // no root number
        "K 80000000\\A/B",                    // a part no caller can name
        "V 1 zz 00",                         // no hex
        "garbage",
        "",
    };
    std::string file = "K 80000000\\CLSID\n" + clsid + "\n" + Value_line("", "sound") + "\n";
    for (const auto& line : damaged) file += line + "\n";
    file += "K 80000002\\Software\\Test\n" + Value_line("n", "kept") + "\n";
    test::Write_file(path, file);

    EXPECT_EQ(store.Damaged_lines(), (std::vector<int64_t>{4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, "CLSID"), std::vector<std::string>{"{X}"});
    EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, "CLSID\\{X}"), std::vector<std::string>{});
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "CLSID\\{X}"), "sound");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "Software\\Test", "n"), "kept");

    // A write keeps every damaged line, word for word, where no key can take them in.
    ASSERT_EQ(store.Set_value(HKEY_CLASSES_ROOT, "CLSID\\{X}", "", Registry_store::Text_value("new")), REG_OK);
    const std::string written = test::Read_file(path);
    std::string head;
    for (const auto& line : damaged) head += line + "\n";
    EXPECT_EQ(written.substr(0, head.size()), head);
    EXPECT_EQ(store.Damaged_lines().size(), damaged.size());
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "CLSID\\{X}"), "new");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "Software\\Test", "n"), "kept");
}

TEST_F(Registry_store_file, AKeyMetTwiceIsOneKeyAndARepeatedValueNameKeepsTheFirst)
{
    test::Write_file(path, "K 80000002\\A\n" + Value_line("x", "first") + "\nK 80000002\\a\n" +
                               Value_line("X", "second") + "\n" + Value_line("y", "other") + "\n");
    EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE, ""), std::vector<std::string>{"A"});
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "A", "x"), "first");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "A", "y"), "other");
    EXPECT_EQ(store.Damaged_lines(), std::vector<int64_t>{4});
    ASSERT_EQ(store.Delete_value(HKEY_LOCAL_MACHINE, "A", "x"), REG_OK);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "A", "x"), "(2)"); // the repeat does not come back
    ASSERT_EQ(store.Delete_key(HKEY_LOCAL_MACHINE, "A"), REG_OK);
    EXPECT_FALSE(store.Key_exists(HKEY_LOCAL_MACHINE, "a"));
}

TEST_F(Registry_store_file, DeletingATreeTakesEverythingBelowInOneWriteAndNothingBeside)
{
    for (const std::string key : {"A\\B\\C", "A\\B\\D", "AB", "B\\A"})
        ASSERT_EQ(store.Set_value(HKEY_CLASSES_ROOT, key, "", Registry_store::Text_value(key)), REG_OK);
    // A key with an empty part below the tree, and one very deep key without its parents.
    std::string deep = "K 80000000\\A";
    for (int i = 0; i < 20000; ++i) deep += "\\d";
    test::Write_file(path, "K 80000000\\A\\B\\\n" + deep + "\n" + test::Read_file(path));

    ASSERT_EQ(store.Delete_key(HKEY_CLASSES_ROOT, "A"), REG_KEY_HAS_SUBKEYS);
    ASSERT_EQ(store.Delete_tree(HKEY_CLASSES_ROOT, "a"), REG_OK);
    EXPECT_FALSE(store.Key_exists(HKEY_CLASSES_ROOT, "A"));
    EXPECT_FALSE(store.Key_exists(HKEY_CLASSES_ROOT, "A\\B\\C"));
    EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, ""), (std::vector<std::string>{"AB", "B"}));
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "B\\A"), "B\\A");
    EXPECT_EQ(store.Damaged_lines(), std::vector<int64_t>{1}); // kept, as every damaged line
    EXPECT_EQ(store.Delete_tree(HKEY_CLASSES_ROOT, "A"), REG_NOT_FOUND);
    EXPECT_EQ(store.Delete_tree(HKEY_CLASSES_ROOT, ""), REG_ACCESS_DENIED);
    EXPECT_EQ(store.Delete_key(HKEY_CLASSES_ROOT, ""), REG_ACCESS_DENIED);
    EXPECT_TRUE(store.Key_exists(HKEY_CLASSES_ROOT, "AB"));
}

TEST_F(Registry_store_file, AWriteThatFailsLeavesTheStoreAsItWas)
{
    ASSERT_EQ(store.Set_value(HKEY_LOCAL_MACHINE, "Software\\Test", "n", Registry_store::Text_value("old")), REG_OK);
    const std::string before = test::Read_file(path);
    // The new store is written beside the old one first: where it cannot be, nothing changes.
    const fs::path beside = path.string() + ".tmp" + std::to_string(::getpid());
    fs::create_directory(beside);
    EXPECT_EQ(store.Set_value(HKEY_LOCAL_MACHINE, "Software\\Test", "n", Registry_store::Text_value("new")),
              REG_ACCESS_DENIED);
    EXPECT_EQ(store.Delete_tree(HKEY_LOCAL_MACHINE, "Software"), REG_ACCESS_DENIED);
    EXPECT_EQ(test::Read_file(path), before);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "Software\\Test", "n"), "old");
    fs::remove(beside);
    EXPECT_EQ(store.Set_value(HKEY_LOCAL_MACHINE, "Software\\Test", "n", Registry_store::Text_value("new")), REG_OK);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "Software\\Test", "n"), "new");
}

} // namespace
} // namespace wk::platform
