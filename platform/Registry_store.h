#pragma once
// One file-backed store of registry keys and typed values, shared by the registry class and
// the COM runtime's class registrations. Key and value names compare without regard to case.
// The store is read for every call and written whole (beside the old file, then renamed)
// after every change, so several processes see each other's changes. A key name is its parts
// joined by "\" (or "/"); a name with an empty part, as one ending in "\", is refused.
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
enum : int32_t {
    REG_OK = 0, REG_NOT_FOUND = 2, REG_ACCESS_DENIED = 5, REG_INVALID_DATA = 13, REG_BAD_PATHNAME = 161,
    REG_KEY_HAS_SUBKEYS = 1020,
};

struct Reg_value {
    uint32_t type = REG_SZ;
    std::vector<uint8_t> data;
};

class Registry_store {
public:
    // The store at <application-data folder>/registry.txt, or $WAKELINE_REGISTRY when set.
    static std::string Default_path();
    explicit Registry_store(std::string path = Default_path());
    const std::string& Path() const { return path_; }

    // Every call below with a refused key name fails with REG_BAD_PATHNAME (or reads as absent).
    // REG_OK when the key is there (a root always is), else REG_NOT_FOUND.
    int32_t Open_key(uint32_t root, const std::string& key) const;
    bool Key_exists(uint32_t root, const std::string& key) const { return Open_key(root, key) == REG_OK; }
    int32_t Create_key(uint32_t root, const std::string& key);
    // Fails with REG_KEY_HAS_SUBKEYS when the key has subkeys, REG_NOT_FOUND when absent.
    int32_t Delete_key(uint32_t root, const std::string& key);
    // The key and everything below it, in one write; REG_NOT_FOUND when there was nothing.
    int32_t Delete_tree(uint32_t root, const std::string& key);
    // REG_NOT_FOUND when the key or the value is absent.
    int32_t Get_value(uint32_t root, const std::string& key, const std::string& name, Reg_value& out) const;
    // Creates the key when missing.
    int32_t Set_value(uint32_t root, const std::string& key, const std::string& name, const Reg_value& value);
    int32_t Delete_value(uint32_t root, const std::string& key, const std::string& name);
    // Names in the order they were created; nullopt when the key does not exist.
    std::optional<std::vector<std::string>> Value_names(uint32_t root, const std::string& key) const;
    std::optional<std::vector<std::string>> Subkey_names(uint32_t root, const std::string& key) const;

    // The numbers (from 1) of the store file's lines that are no sound record: a key with a
    // refused name and its values, a value outside any key or repeating a name, anything else.
    // They are kept as they are through every write, and never used.
    std::vector<int64_t> Damaged_lines() const;

    // Convenience for text values.
    static Reg_value Text_value(const std::string& utf8, uint32_t type = REG_SZ);
    static std::string Value_text(const Reg_value& v);

private:
    struct Value_entry { std::string name; Reg_value value; };
    struct Key_entry { std::string path; std::vector<Value_entry> values; };
    struct Contents {
        std::vector<Key_entry> keys;
        std::vector<std::string> damaged;
        std::vector<int64_t> damaged_at;
        Key_entry* Find(const std::string& path);
        // The key, made with every missing parent when absent.
        Key_entry& Ensure(const std::string& path);
    };
    Contents Load() const;
    int32_t Save(const Contents& contents) const;
    std::string path_;
};

} // namespace wk::platform
