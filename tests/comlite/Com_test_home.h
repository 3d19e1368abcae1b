#pragma once
// What a test of COM objects stands on: a temporary home with a registry store of its own
// (whatever WAKELINE_REGISTRY said before) and a dispatcher the test pumps, installed on the
// test's thread.
#include "comlite/Loop_dispatcher.h"
#include "platform/Registry_store.h"
#include "tests/support/Test_support.h"

#include <cstdlib>

namespace wk::test {

class Com_test_home {
public:
    Com_test_home() { setenv("WAKELINE_REGISTRY", registry_path.c_str(), 1); }
    ~Com_test_home() { unsetenv("WAKELINE_REGISTRY"); }

    // The default value of a key under HKEY_CLASSES_ROOT, or "(none)".
    std::string Class_value(const std::string& key, const std::string& name = "") const
    {
        platform::Reg_value v;
        if (store.Get_value(platform::HKEY_CLASSES_ROOT, key, name, v) != platform::REG_OK) return "(none)";
        return platform::Registry_store::Value_text(v);
    }
    // Every key below HKEY_CLASSES_ROOT, depth first, as "A\B".
    std::vector<std::string> Class_keys(const std::string& under = "") const
    {
        std::vector<std::string> keys;
        for (const auto& sub : store.Subkey_names(platform::HKEY_CLASSES_ROOT, under).value_or(std::vector<std::string>{})) {
            const std::string key = under.empty() ? sub : under + "\\" + sub;
            keys.push_back(key);
            for (auto& k : Class_keys(key)) keys.push_back(k);
        }
        return keys;
    }

    Temp_home home;
    std::string registry_path = (home.path() / "registry.txt").string();
    platform::Registry_store store{registry_path};
    std::shared_ptr<com::Loop_dispatcher> loop = std::make_shared<com::Loop_dispatcher>();
    com::Thread_dispatcher_scope dispatcher_scope{loop};
};

} // namespace wk::test
