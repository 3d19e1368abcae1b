// Counting the video sources through the capture server the program creates by its class.
#include "capture/Non_dependant.h"
#include "comlite/Server_entry_points.h"
#include "services/Module_trace.h"
#include "tests/comlite/Com_test_home.h"

#include <dlfcn.h>

#include <cstdlib>

namespace wk {
namespace {

using namespace com;

class Non_dependant_test : public ::testing::Test {
protected:
    void TearDown() override
    {
        unsetenv("BRIXCAP_FAKE_DEVICES");
        if (library) dlclose(library);
    }
    void Register()
    {
        ASSERT_NE(library, nullptr) << dlerror();
        auto* call = reinterpret_cast<Dll_register_server_fn*>(dlsym(library, "DllRegisterServer"));
        ASSERT_NE(call, nullptr);
        ASSERT_EQ(call(), S_OK);
    }
    int16_t Count_with(const char* fake_devices)
    {
        setenv("BRIXCAP_FAKE_DEVICES", fake_devices, 1);
        return Num_video_devices();
    }

    test::Com_test_home com;
    test::Manual_clock clock; // the tracer is only written to while the clock is quick
    test::Captured_reports reports;
    void* library = dlopen(BRIXCAP4_LIBRARY, RTLD_NOW | RTLD_LOCAL);
};

TEST_F(Non_dependant_test, TheRegisteredServerIsAskedForSourceAfterSourceUpToTen)
{
    Register();
    Reset_Tracer_Search();
    test::Test_tracer tracer(Tracer_socket_path());
    ASSERT_TRUE(tracer.bound());
    EXPECT_EQ(Count_with("video:0,audio:0"), 0);
    const std::string line = tracer.Receive();
    const std::string item = ": *Num_video_devices\t";
    EXPECT_EQ(line.substr(line.size() - std::min(line.size(), item.size())), item) << line;
    EXPECT_EQ(Count_with("video:3,audio:2"), 3);
    EXPECT_EQ(Count_with("video:1"), 1);
    EXPECT_EQ(Count_with("video:10"), 10);
    EXPECT_EQ(Count_with("video:12,audio:12"), 10);
    EXPECT_EQ(Count_with("webcam:2,video:1"), 3); // a camera without DV is a video source too
    EXPECT_TRUE(reports.reports.empty()); // no device is no error
}

TEST_F(Non_dependant_test, AServerThatIsNotRegisteredGivesNoCameraAndOneReport)
{
    EXPECT_EQ(Count_with("video:3"), 0);
    ASSERT_EQ(reports.reports.size(), 1u);
    const std::string& report = reports.reports[0];
    EXPECT_NE(report.find("Num_video_devices of Module Non_dependant"), std::string::npos) << report;
    EXPECT_NE(report.find("BrixCap4 not properly installed!"), std::string::npos) << report;
    EXPECT_NE(report.find("429"), std::string::npos) << report;
    EXPECT_NE(report.find("Class not registered"), std::string::npos) << report;
}

} // namespace
} // namespace wk
