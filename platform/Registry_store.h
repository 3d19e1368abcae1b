#pragma once
// One file-backed store of registry keys and typed values, shared by the registry class and
// the COM runtime's class registrations. Key and value names compare without regard to case.
// The store is read for every call and written whole (beside the old file, then renamed)
// after every change, so several processes see each other's changes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wk::platform {

// The predefined root keys.
enum : uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
};

// Value types.
enum : uint32_t { REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4, REG_DWORD_BIG_ENDIAN = 5, REG_MULTI_SZ = 7 };

// Result codes, numbered as the system numbers them.
enum : int32_t { REG_OK = 0, REG_NOT_FOUND = 2, REG_ACCESS_DENIED = 5, REG_INVALID_DATA = 13, REG_KEY_HAS_SUBKEYS = 1020 };

struct Reg_value {
    uint32_t type = REG_SZ;
    std::vector<uint8_t> data;
};

class Registry_store {
public:
    // The store at <application-data folder>/registry.txt, or $WAKELINE_REGISTRY when set.
    static std::string Default_path();
    explicit Registry_store(std::string path = Default_path());

    bool Key_exists(uint32_t root, const std::string& key) const;
    int32_t Create_key(uint32_t root, const std::string& key);
    // Fails with REG_KEY_HAS_SUBKEYS when the key has subkeys, REG_NOT_FOUND when absent.
    int32_t Delete_key(uint32_t root, const std::string& key);
    // REG_NOT_FOUND when the key or the value is absent.
    int32_t Get_value(uint32_t root, const std::string& key, const std::string& name, Reg_value& out) const;
    // Creates the key when missing.
    int32_t Set_value(uint32_t root, const std::string& key, const std::string& name, const Reg_value& value);
    int32_t Delete_value(uint32_t root, const std::string& key, const std::string& name);
    // Names in the order they were created; nullopt when the key does not exist.
    std::optional<std::vector<std::string>> Value_names(uint32_t root, const std::string& key) const;
    std::optional<std::vector<std::string>> Subkey_names(uint32_t root, const std::string& key) const;

    // Convenience for text values.
    static Reg_value Text_value(const std::string& utf8, uint32_t type = REG_SZ);
    static std::string Value_text(const Reg_value& v);

private:
    struct Value_entry { std::string name; Reg_value value; };
    struct Key_entry { std::string path; std::vector<Value_entry> values; };
    std::vector<Key_entry> Load() const;
    int32_t Save(const std::vector<Key_entry>& keys) const;
    std::string path_;
};

} // namespace wk::platform
