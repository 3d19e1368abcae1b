#include "comlite/Bstr.h"
#include "comlite/Class_registration.h"
#include "comlite/Co_create.h"
#include "tests/comlite/Com_test_home.h"

namespace wk::com {
namespace {

const Class_registration k_class{
    Guid_literal("{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}"),
    "Tester Class",
    "Wk.Tester.2",
    "Wk.Tester",
    "Apartment",
    Guid_literal("{10000000-2000-3000-4000-500000000000}"),
    "2.1",
    "Tester 2.1 Type Library",
    Guid_literal("{60000000-7000-8000-9000-A00000000000}"),
    "Tester",
    "Tester.DLL",
};
const std::string k_clsid = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";

class Class_registration_test : public ::testing::Test {
protected:
    test::Com_test_home com;
};

TEST_F(Class_registration_test, EveryKeyIsWrittenWithTheLibrarysAbsolutePath)
{
    ASSERT_EQ(Register_class(k_class, "/opt/x/libTester.so"), S_OK);
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid), "Tester Class");
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\InprocServer32"), "/opt/x/libTester.so");
    EXPECT_EQ(com.Class_value("clsid\\" + k_clsid + "\\inprocserver32", "threadingmodel"), "Apartment");
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\ProgID"), "Wk.Tester.2");
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\VersionIndependentProgID"), "Wk.Tester");
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\TypeLib"), "{10000000-2000-3000-4000-500000000000}");
    EXPECT_EQ(com.Class_value("Wk.Tester.2\\CLSID"), k_clsid);
    EXPECT_EQ(com.Class_value("Wk.Tester\\CLSID"), k_clsid);
    EXPECT_EQ(com.Class_value("Wk.Tester\\CurVer"), "Wk.Tester.2");
    EXPECT_EQ(com.Class_value("Wk.Tester"), "Tester Class");
    EXPECT_EQ(com.Class_value("AppID\\{60000000-7000-8000-9000-A00000000000}"), "Tester");
    EXPECT_EQ(com.Class_value("AppID\\Tester.DLL", "AppID"), "{60000000-7000-8000-9000-A00000000000}");
    EXPECT_EQ(com.Class_value("TypeLib\\{10000000-2000-3000-4000-500000000000}\\2.1"), "Tester 2.1 Type Library");
    EXPECT_EQ(com.Class_value("TypeLib\\{10000000-2000-3000-4000-500000000000}\\2.1\\HELPDIR"), "/opt/x");
}

TEST_F(Class_registration_test, RegisteringAgainReplacesTheClassAndUnregisteringLeavesOnlyTheAppIdRoot)
{
    ASSERT_EQ(Register_class(k_class, "/old/libTester.so"), S_OK);
    ASSERT_EQ(com.store.Set_value(platform::HKEY_CLASSES_ROOT, "CLSID\\" + k_clsid + "\\Stale", "",
                                  platform::Registry_store::Text_value("left by an old version")),
              platform::REG_OK);
    ASSERT_EQ(Register_class(k_class, "/new/libTester.so"), S_OK);
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\InprocServer32"), "/new/libTester.so");
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\Stale"), "(none)");

    ASSERT_EQ(Unregister_class(k_class), S_OK);
    EXPECT_EQ(com.Class_keys(), std::vector<std::string>{"AppID"});
    EXPECT_EQ(Unregister_class(k_class), S_OK); // nothing left to remove is no failure
}

TEST_F(Class_registration_test, OtherClassesAndTheirParentsStayWhenOneClassGoes)
{
    ASSERT_EQ(com.store.Set_value(platform::HKEY_CLASSES_ROOT, "CLSID\\{ANOTHER}\\InprocServer32", "",
                                  platform::Registry_store::Text_value("/lib/other.so")),
              platform::REG_OK);
    ASSERT_EQ(Register_class(k_class, "/opt/x/libTester.so"), S_OK);
    ASSERT_EQ(Unregister_class(k_class), S_OK);
    EXPECT_EQ(com.Class_value("CLSID\\{ANOTHER}\\InprocServer32"), "/lib/other.so");
    EXPECT_EQ(com.Class_keys(), (std::vector<std::string>{"CLSID", "CLSID\\{ANOTHER}", "CLSID\\{ANOTHER}\\InprocServer32", "AppID"}));
}

TEST_F(Class_registration_test, APathTheStoreCannotHoldIsRefusedAndNothingIsWritten)
{
    EXPECT_EQ(Register_class(k_class, "relative/libTester.so"), SELFREG_E_CLASS);
    EXPECT_EQ(Register_class(k_class, "/opt/\xE6\x9C\x8D\xE5\x8A\xA1/libTester.so"), SELFREG_E_CLASS); // not in Windows-1252
    EXPECT_TRUE(com.Class_keys().empty());
    EXPECT_EQ(Register_class(k_class, "/opt/Göteborg/libTester.so"), S_OK); // Windows-1252 is fine
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\InprocServer32"), "/opt/Göteborg/libTester.so");
}

TEST_F(Class_registration_test, CreationSaysWhyAClassCannotBeHad)
{
    void* out = &out;
    EXPECT_EQ(Co_create_instance(k_class.clsid, nullptr, IUnknown::iid, &out), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Co_create_instance("Wk.Tester.2", IUnknown::iid, &out), CO_E_CLASSSTRING);
    EXPECT_EQ(Co_create_instance("{not a guid}", IUnknown::iid, &out), CO_E_CLASSSTRING);
    EXPECT_EQ(Co_create_instance("", IUnknown::iid, &out), CO_E_CLASSSTRING);
    EXPECT_EQ(Co_create_instance(k_class.clsid, nullptr, IUnknown::iid, nullptr), E_POINTER);

    ASSERT_EQ(Register_class(k_class, (com.home.path() / "missing.so").string()), S_OK);
    EXPECT_EQ(Co_create_instance("Wk.Tester", IUnknown::iid, &out), CO_E_DLLNOTFOUND);
    // A library that loads but is no server: comlite itself.
    ASSERT_EQ(Register_class(k_class, Module_path(reinterpret_cast<const void*>(&Sys_alloc_string))), S_OK);
    EXPECT_EQ(Co_create_instance(k_clsid, IUnknown::iid, &out), CO_E_ERRORINDLL);
    EXPECT_EQ(out, nullptr);
}

TEST_F(Class_registration_test, AStoreWithKeyNamesHoldingEmptyPartsNeitherStopsNorLosesARegistration)
{
    const std::string cls = "K 80000000\\CLSID\\" + k_clsid;
    const std::string damaged = cls + "\\\n" + cls + "\\\\InprocServer32\nK 80000000\\Wk.Tester\\\n";
    test::Write_file(com.registry_path, damaged + "K 80000000\\CLSID\n" + cls + "\nK 80000000\\Wk.Tester\n");
    // Unregistering first used to delete the class's tree by walking its subkeys, and met the
    // key ending in "\" below itself without end.
    ASSERT_EQ(Register_class(k_class, "/opt/x/libTester.so"), S_OK);
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\InprocServer32"), "/opt/x/libTester.so");
    EXPECT_EQ(com.Class_value("Wk.Tester\\CurVer"), "Wk.Tester.2");
    ASSERT_EQ(Unregister_class(k_class), S_OK);
    EXPECT_EQ(com.Class_keys(), std::vector<std::string>{"AppID"});
    EXPECT_EQ(test::Read_file(com.registry_path).rfind(damaged, 0), 0u);
}

} // namespace
} // namespace wk::com
