// The registration tool on a damaged store, as ./run.sh runs it before the program starts.
#include "tests/comlite/Com_test_home.h"

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

const std::string k_clsid = "{A2E03420-98BB-43B2-96EE-28D0CE80CE3A}"; // the capture server's class

// The output of a command (both streams) and its exit code.
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

TEST(Registration_tool, ADamagedStoreIsToldOfAndTheServerIsRegisteredWithNothingLost)
{
    test::Com_test_home com;
    const std::string cls = "K 80000000\\CLSID\\" + k_clsid;
    const std::string damaged = cls + "\\\n" + cls + "\\\\InprocServer32\n";
    ASSERT_EQ(com.store.Set_value(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Keep", "n",
                                  platform::Registry_store::Text_value("kept")),
              platform::REG_OK);
    ASSERT_EQ(com.store.Create_key(platform::HKEY_CLASSES_ROOT, "CLSID\\" + k_clsid), platform::REG_OK);
    test::Write_file(com.registry_path, damaged + test::Read_file(com.registry_path));

    const std::string tool = WAKELINE_REGSVR, library = BRIXCAP4_LIBRARY;
    const auto [out, code] = Run_command(tool + " " + library);
    ASSERT_EQ(code, 0) << out;
    EXPECT_NE(out.find("The registry store " + com.registry_path + " has 2 damaged line(s), the first is line 1; "
                       "they are kept as they are and not used."),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("succeeded"), std::string::npos) << out;
    EXPECT_EQ(com.Class_value("CLSID\\" + k_clsid + "\\InprocServer32"), fs::canonical(library).string());
    platform::Reg_value kept;
    ASSERT_EQ(com.store.Get_value(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Keep", "n", kept), platform::REG_OK);
    EXPECT_EQ(platform::Registry_store::Value_text(kept), "kept");
    EXPECT_EQ(test::Read_file(com.registry_path).rfind(damaged, 0), 0u);

    const auto [out_u, code_u] = Run_command(tool + " -u " + library);
    EXPECT_EQ(code_u, 0) << out_u;
    EXPECT_EQ(com.Class_keys(), std::vector<std::string>{"AppID"});
}

} // namespace
} // namespace wk
