// The built libBrixCap4.so as the program meets it: registered in the test's own store, created
// through comlite, unloaded when nothing of it is left.
#include "capture_server/Fake_devices.h"
#include "comlite/Class_registration.h"
#include "comlite/Co_create.h"
#include "comlite/Server_entry_points.h"
#include "tests/capture_server/Capture_test_support.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <sys/wait.h>

namespace wk {
namespace {

using namespace com;
namespace fs = std::filesystem;

const std::string k_clsid = "{A2E03420-98BB-43B2-96EE-28D0CE80CE3A}";

class BrixCap4_library_test : public test::Server_library_test {};

// The output of a command and its exit code.
std::pair<std::string, int> Run_command(const std::string& command)
{
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {"", -1};
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST_F(BrixCap4_library_test, RegisteredInTheTestsStoreItIsCreatedByClsidAndByEitherProgId)
{
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\InprocServer32"), fs::canonical(BRIXCAP4_LIBRARY).string());
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\InprocServer32", "ThreadingModel"), "Both");
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\TypeLib"), "{43474CF2-1685-4E3B-9B30-6429BD022957}");
    EXPECT_EQ(com.Class_value("BrixCap.VideoCap4\\CurVer"), "BrixCap.VideoCap4.1");
    EXPECT_EQ(com.Class_value("AppID\\BrixCap4.DLL", "AppID"), "{18FA2EAB-B653-4526-9A99-6E60617D704C}");
    EXPECT_TRUE(fs::exists(com.registry_path));

    const std::regex build_number(R"(^[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}$)");
    std::set<IVideoCap*> made;
    for (const char* name : {k_clsid.c_str(), "BrixCap.VideoCap4.1", "BrixCap.VideoCap4", "brixcap.videocap4"}) {
        auto object = Create(name);
        ASSERT_TRUE(object) << name;
        made.insert(object.Get());
        EXPECT_TRUE(std::regex_match(test::Property(*object, "buildNumber"), build_number)) << name;
    }
    Com_ptr<IVideoCap> a = Create(k_clsid), b = Create("BrixCap.VideoCap4");
    EXPECT_NE(a.Get(), b.Get()); // every creation is a new object
}

TEST_F(BrixCap4_library_test, UnregisteringLeavesOnlyTheAppIdRootAndTheClassIsThenUnknown)
{
    void* out = nullptr;
    EXPECT_EQ(Co_create_instance(Guid_literal("{A2E03420-98BB-43B2-96EE-28D0CE80CE3B}"), nullptr, IVideoCap::iid, &out),
              REGDB_E_CLASSNOTREG);
    ASSERT_EQ(Register(), S_OK);
    ASSERT_EQ(Entry<Dll_unregister_server_fn>("DllUnregisterServer")(), S_OK);
    EXPECT_EQ(com.Class_keys(), std::vector<std::string>{"AppID"});
    EXPECT_EQ(Co_create_instance(CLSID_VideoCap4, nullptr, IVideoCap::iid, &out), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Co_create_instance(VideoCap4_progid, IVideoCap::iid, &out), CO_E_CLASSSTRING);
    EXPECT_EQ(out, nullptr);
}

TEST_F(BrixCap4_library_test, TheLibraryMayUnloadOnlyWhenNoObjectLockOrFactoryIsLeft)
{
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(Can_unload(), S_OK);
    auto object = Create(VideoCap4_progid);
    EXPECT_EQ(Can_unload(), S_FALSE);
    void* v = nullptr;
    ASSERT_EQ(Co_get_class_object(CLSID_VideoCap4, IClassFactory::iid, &v), S_OK);
    auto factory = Com_ptr<IClassFactory>::Attach(static_cast<IClassFactory*>(v));
    EXPECT_EQ(factory->LockServer(true), S_OK);
    object.Reset();
    factory.Reset();
    EXPECT_EQ(Can_unload(), S_FALSE); // the lock
    ASSERT_EQ(Co_get_class_object(CLSID_VideoCap4, IClassFactory::iid, &v), S_OK);
    factory = Com_ptr<IClassFactory>::Attach(static_cast<IClassFactory*>(v));
    EXPECT_EQ(factory->LockServer(false), S_OK);
    EXPECT_EQ(Co_free_unused_libraries(), 0u); // the factory reference
    factory.Reset();
    EXPECT_EQ(Can_unload(), S_OK);
    EXPECT_EQ(Co_free_unused_libraries(), 1u);
    EXPECT_TRUE(Create(VideoCap4_progid)); // loaded again on demand
}

TEST_F(BrixCap4_library_test, AggregationAndForeignClassesAndInterfacesAreRefused)
{
    auto* get_class_object = Entry<Dll_get_class_object_fn>("DllGetClassObject");
    void* v = &v;
    EXPECT_EQ(get_class_object(IUnknown::iid, IClassFactory::iid, &v), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(v, nullptr);
    ASSERT_EQ(get_class_object(CLSID_VideoCap4, IClassFactory::iid, &v), S_OK);
    auto factory = Com_ptr<IClassFactory>::Attach(static_cast<IClassFactory*>(v));
    test::Recording_sink outer;
    v = &v;
    EXPECT_EQ(factory->CreateInstance(static_cast<IVideoCapEvent*>(&outer), IUnknown::iid, &v), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(v, nullptr);
    EXPECT_EQ(outer.references, 0u);
    EXPECT_EQ(factory->CreateInstance(nullptr, IVideoCapEvent::iid, &v), E_NOINTERFACE);

    ASSERT_EQ(factory->CreateInstance(nullptr, IVideoCap::iid, &v), S_OK);
    auto object = Com_ptr<IVideoCap>::Attach(static_cast<IVideoCap*>(v));
    EXPECT_EQ(object.Query<IUnknown>().Get(), static_cast<IUnknown*>(object.Get())); // one identity
    EXPECT_FALSE(object.Query<IVideoCapEvent>());
    EXPECT_EQ(object->QueryInterface(IVideoCap::iid, nullptr), E_POINTER);
}

TEST_F(BrixCap4_library_test, AThreadWithoutADispatcherCannotCreateTheObject)
{
    ASSERT_EQ(Register(), S_OK);
    HRESULT hr = S_OK;
    std::thread([&] {
        Com_ptr<IVideoCap> object;
        hr = Co_create_instance(CLSID_VideoCap4, object);
    }).join();
    EXPECT_EQ(hr, CO_E_NOTINITIALIZED);
}

TEST_F(BrixCap4_library_test, WithoutACameraRunFailsWithTheNoDeviceTextAndLeavesTheObjectStopped)
{
    test::Environment_scope no_devices(k_Fake_devices_variable, "video:0,audio:0");
    ASSERT_EQ(Register(), S_OK);
    auto object = Create(VideoCap4_progid);
    ASSERT_TRUE(object);
    EXPECT_EQ(test::Select(*object, "video:1"), 0);
    EXPECT_EQ(test::Last_error(*object), "Device class enumerator is null!");
    EXPECT_EQ(object->Run(), E_FAIL);
    EXPECT_EQ(test::Last_error(*object), k_No_video_device);
    EXPECT_EQ(object->Run(), E_FAIL); // not S_FALSE: the failed Run left it stopped
    EXPECT_EQ(object->Stop(), S_OK);
    EXPECT_EQ(object->Pause(), S_OK);
    EXPECT_EQ(test::Last_error(*object), k_No_video_device); // Stop and Pause keep it
}

TEST_F(BrixCap4_library_test, TheLoadedServerFindsTheFakeCameraAndDeliversItsFramesUntilStopped)
{
    test::Environment_scope fake(k_Fake_devices_variable, "video:2,audio:1");
    ASSERT_EQ(Register(), S_OK);
    test::Recording_sink sink;
    auto object = Create(VideoCap4_progid);
    ASSERT_TRUE(object);
    uint32_t cookie = 0;
    ASSERT_EQ(object->Advise(&sink, &cookie), S_OK);
    ASSERT_EQ(test::Select(*object, "video:2"), 1);
    EXPECT_EQ(test::Property(*object, "SourceId"), "fa4e00002");
    ASSERT_EQ(object->Run(), S_OK) << test::Last_error(*object);
    for (int i = 0; i < 500 && sink.calls.size() < 5; ++i) com.loop->Wait_and_run(std::chrono::milliseconds(20));
    EXPECT_EQ(object->Stop(), S_OK);
    ASSERT_GE(sink.calls.size(), 5u);
    for (const auto& call : sink.calls) {
        EXPECT_EQ(call.kind, 'D');
        EXPECT_EQ(call.bytes.size(), 144000u);
        EXPECT_EQ(call.device, 2);
    }
    const size_t delivered = sink.calls.size();
    com.loop->Wait_and_run(std::chrono::milliseconds(200));
    EXPECT_EQ(sink.calls.size(), delivered); // nothing after Stop
    EXPECT_EQ(test::Property(*object, "Width"), "0"); // the format went with the graph
    object.Reset();
    EXPECT_EQ(sink.references, 0u);
    EXPECT_EQ(Can_unload(), S_OK);
}

TEST_F(BrixCap4_library_test, TheServerHoldsTheProgramsSinkUntilItIsUnadvisedOrTheObjectGoes)
{
    ASSERT_EQ(Register(), S_OK);
    test::Recording_sink kept, dropped; // outlive the object
    auto object = Create(VideoCap4_progid);
    ASSERT_TRUE(object);
    uint32_t cookie_kept = 0, cookie_dropped = 0;
    ASSERT_EQ(object->Advise(&kept, &cookie_kept), S_OK);
    ASSERT_EQ(object->Advise(&dropped, &cookie_dropped), S_OK);
    EXPECT_EQ(kept.references + dropped.references, 2u);
    EXPECT_EQ(object->Unadvise(12345), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(object->Unadvise(cookie_dropped), S_OK);
    EXPECT_EQ(dropped.references, 0u);
    object.Reset();
    EXPECT_EQ(kept.references, 0u);
    EXPECT_EQ(Can_unload(), S_OK);
}

// The position of a virtual function in its table, from the pointer to it (Itanium C++ ABI).
template <class M>
ptrdiff_t Slot(M method)
{
    struct { ptrdiff_t ptr, adj; } raw;
    static_assert(sizeof method == sizeof raw);
    std::memcpy(&raw, &method, sizeof raw);
    return (raw.ptr - 1) / ptrdiff_t(sizeof(void*));
}

TEST(BrixCap4_interface_test, TheMethodsKeepTheirSlotsAfterTheThreeOfIUnknown)
{
    EXPECT_EQ(Slot(&IVideoCap::QueryInterface), 0);
    EXPECT_EQ(Slot(&IVideoCap::Release), 2);
    EXPECT_EQ(Slot(&IVideoCap::Advise), 3);
    EXPECT_EQ(Slot(&IVideoCap::Unadvise), 4);
    EXPECT_EQ(Slot(&IVideoCap::SetSource), 5);
    EXPECT_EQ(Slot(&IVideoCap::SetProperty), 6);
    EXPECT_EQ(Slot(&IVideoCap::GetProperty), 7);
    EXPECT_EQ(Slot(&IVideoCap::Run), 8);
    EXPECT_EQ(Slot(&IVideoCap::Pause), 9);
    EXPECT_EQ(Slot(&IVideoCap::Stop), 10);
    EXPECT_EQ(Slot(&IVideoCap::GetLastError), 11);
    EXPECT_EQ(Slot(&IVideoCapEvent::OnDVEvent), 3);
    EXPECT_EQ(Slot(&IVideoCapEvent::OnRGBEvent), 4);
    EXPECT_EQ(Slot(&IVideoCapEvent::OnAudioEvent), 5);
}

TEST(BrixCap4_exports_test, OnlyTheFourEntryPointsAreExported)
{
    if (std::system("command -v nm >/dev/null 2>&1") != 0) GTEST_SKIP() << "nm (binutils) is not installed";
    const auto [out, code] = Run_command(std::string("nm -D --defined-only ") + BRIXCAP4_LIBRARY);
    ASSERT_EQ(code, 0) << out;
    std::set<std::string> names;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (auto blank = line.rfind(' '); blank != std::string::npos) names.insert(line.substr(blank + 1));
    EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                            "DllUnregisterServer"}))
        << out;
}

TEST_F(BrixCap4_library_test, TheRegistrationToolRegistersAndUnregistersIntoTheStoreOfItsHome)
{
    const std::string tool = WAKELINE_REGSVR, lib = BRIXCAP4_LIBRARY;
    const auto [out, code] = Run_command(tool + " " + lib);
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("DllRegisterServer in " + fs::absolute(lib).string() + " succeeded."), std::string::npos) << out;
    EXPECT_TRUE(Create(VideoCap4_progid));
    Co_free_unused_libraries();

    const auto [out_u, code_u] = Run_command(tool + " -u " + lib);
    EXPECT_EQ(code_u, 0) << out_u;
    EXPECT_EQ(com.Class_keys(), std::vector<std::string>{"AppID"});

    EXPECT_EQ(Run_command(tool).second, 2);
    EXPECT_EQ(Run_command(tool + " -x " + lib).second, 2);
    EXPECT_EQ(Run_command(tool + " " + (com.home.path() / "none.so").string()).second, 1);
    // A library without the entry point.
    const auto [out_c, code_c] = Run_command(tool + " " + Module_path(reinterpret_cast<const void*>(&Sys_alloc_string)));
    EXPECT_EQ(code_c, 1);
    EXPECT_NE(out_c.find("DllRegisterServer was not found"), std::string::npos) << out_c;
}

TEST_F(BrixCap4_library_test, TheRegistrationToolTellsOfADamagedStoreAndRegistersWithNothingLost)
{
    // Key names ending in "\" or holding an empty part, as a damaged store may have them; the
    // tool used to walk them without end when it removed the old registration, and ./run.sh
    // stopped before the program started.
    const std::string cls = "K 80000000\\CLSID\\" + k_clsid;
    const std::string damaged = cls + "\\\n" + cls + "\\\\InprocServer32\n";
    ASSERT_EQ(com.store.Set_value(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Keep", "n",
                                  platform::Registry_store::Text_value("kept")),
              platform::REG_OK);
    ASSERT_EQ(com.store.Create_key(platform::HKEY_CLASSES_ROOT, "CLSID\\" + k_clsid), platform::REG_OK);
    test::Write_file(com.registry_path, damaged + test::Read_file(com.registry_path));

    const std::string tool = WAKELINE_REGSVR, lib = BRIXCAP4_LIBRARY;
    const auto [out, code] = Run_command(tool + " " + lib);
    ASSERT_EQ(code, 0) << out;
    EXPECT_NE(out.find("The registry store " + com.registry_path + " has 2 damaged line(s), the first is line 1; "
                       "they are kept as they are and not used."),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("succeeded"), std::string::npos) << out;
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\InprocServer32"), fs::canonical(lib).string());
    platform::Reg_value kept;
    ASSERT_EQ(com.store.Get_value(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Keep", "n", kept), platform::REG_OK);
    EXPECT_EQ(platform::Registry_store::Value_text(kept), "kept");
    EXPECT_EQ(test::Read_file(com.registry_path).rfind(damaged, 0), 0u);

    const auto [out_u, code_u] = Run_command(tool + " -u " + lib);
    EXPECT_EQ(code_u, 0) << out_u;
    EXPECT_EQ(com.Class_keys(), std::vector<std::string>{"AppID"});
}

} // namespace
} // namespace wk
