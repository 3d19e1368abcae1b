// The registry store on any bytes: reads, writes and deletes of keys and values, with sound and
// refused names, checked against what each call says it did. The first byte n says how many of
// the next bytes are calls (four bytes each: call, key, value name, value); the rest is the file.
#include "platform/Registry_store.h"
#include "tests/fuzz/Fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace wk::platform;

namespace {

const std::vector<std::string> k_Keys{
    "", "CLSID", "CLSID\\{X}", "clsid\\{x}\\InprocServer32", "A", "A\\B", "a\\b\\c", "AB", "A/B/D",
    "Software\\Wakeline",
    // refused
    "A\\", "\\A", "A\\\\B", "CLSID\\{X}\\", "A\nK 80000000\\Z", "/",
};
const std::vector<std::string> k_Names{"", "ThreadingModel", "threadingmodel", "n", "\n", std::string("\0x", 2)};
// A value the calls never touch: whatever they do to the file, it reads back.
const std::string k_Witness = "Witness\\Key";

// A broken promise names itself before the run stops.
#define Check(condition) \
    ((condition) ? void() : (std::fprintf(stderr, "broken: %s (line %d)\n", #condition, __LINE__), std::abort()))

bool Same(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::tolower((unsigned char)x) == std::tolower((unsigned char)y); });
}

bool Refused(const std::string& key)
{
    return key.find('\n') != std::string::npos || key.starts_with('\\') || key.starts_with('/') ||
           key.ends_with('\\') || key.ends_with('/') || key.find("\\\\") != std::string::npos ||
           key.find("//") != std::string::npos || key.find("\\/") != std::string::npos ||
           key.find("/\\") != std::string::npos;
}

// A key from the list, or one of the file's own below the root.
std::string Pick_key(const Registry_store& store, uint32_t root, uint8_t pick)
{
    if (pick < k_Keys.size()) return k_Keys[pick];
    const auto names = store.Subkey_names(root, "").value_or(std::vector<std::string>{});
    if (names.empty()) return "A";
    const std::string& name = names[pick % names.size()];
    return Same(name, "Witness") ? "A" : name;
}

// Every subkey and value a key lists can be opened and read.
void Check_listing(const Registry_store& store, uint32_t root, const std::string& key)
{
    const std::string below = key.empty() ? "" : key + "\\";
    for (const auto& sub : store.Subkey_names(root, key).value_or(std::vector<std::string>{})) {
        Check(!sub.empty());
        Check(store.Key_exists(root, below + sub));
    }
    Reg_value v;
    for (const auto& name : store.Value_names(root, key).value_or(std::vector<std::string>{}))
        Check(store.Get_value(root, key, name, v) == REG_OK);
}

void Set(Registry_store& store, uint32_t root, const std::string& key, const std::string& name, const Reg_value& value)
{
    const int32_t r = store.Set_value(root, key, name, value);
    if (Refused(key)) return Check(r == REG_BAD_PATHNAME);
    if (r != REG_OK) return;
    Reg_value back;
    Check(store.Get_value(root, key, name, back) == REG_OK && back.type == value.type && back.data == value.data);
    Check(store.Key_exists(root, key));
    const size_t cut = key.find_last_of("\\/");
    const std::string parent = cut == std::string::npos ? "" : key.substr(0, cut);
    const std::string last = cut == std::string::npos ? key : key.substr(cut + 1);
    const auto subs = store.Subkey_names(root, parent);
    Check(subs && std::count_if(subs->begin(), subs->end(), [&](const std::string& s) { return Same(s, last); }) == 1);
}

void Delete_tree(Registry_store& store, uint32_t root, const std::string& key)
{
    const auto subs = store.Subkey_names(root, key).value_or(std::vector<std::string>{});
    const int32_t r = store.Delete_tree(root, key);
    if (Refused(key)) return Check(r == REG_BAD_PATHNAME);
    if (r != REG_OK) return;
    Check(!store.Key_exists(root, key));
    for (const auto& sub : subs) Check(!store.Key_exists(root, key + "\\" + sub));
}

void Run_call(Registry_store& store, const uint8_t* call)
{
    const uint32_t root = call[0] & 0x80 ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT;
    const std::string key = Pick_key(store, root, call[1]);
    const std::string& name = k_Names[call[2] % k_Names.size()];
    const Reg_value value{call[0] & 0x40 ? uint32_t(REG_BINARY) : uint32_t(REG_SZ),
                          std::vector<uint8_t>(call[3] % 5, call[3])};
    Reg_value v;
    switch (call[0] % 8) {
    case 0: return Set(store, root, key, name, value);
    case 1: return Check(!Refused(key) || store.Get_value(root, key, name, v) == REG_BAD_PATHNAME);
    case 2:
        if (store.Delete_value(root, key, name) == REG_OK) Check(store.Get_value(root, key, name, v) == REG_NOT_FOUND);
        return;
    case 3:
        if (store.Create_key(root, key) == REG_OK) Check(store.Key_exists(root, key));
        return;
    case 4:
        if (store.Delete_key(root, key) == REG_OK) Check(!store.Key_exists(root, key));
        return;
    case 5: return Delete_tree(store, root, key);
    default: return Check_listing(store, root, Refused(key) ? "" : key);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The store is written whole at every change; renamed over its old self on a disk file system
    // each write waits for the disk, and the run would crawl.
    static const bool in_memory = [] {
        return !std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm") && ::setenv("TMPDIR", "/dev/shm", 1) == 0;
    }();
    (void)in_memory;
    wk::fuzz::Quiet_program();
    if (size < 1 || size < 1 + size_t(data[0])) return 0;
    const size_t calls = data[0] / 4;
    Registry_store store(wk::fuzz::Write_input(data + 1 + data[0], size - 1 - data[0], "txt"));
    const size_t damaged = store.Damaged_lines().size();
    const Reg_value witness{REG_BINARY, {0, '\n', 'K', ' ', 0xff}};
    const bool witnessed = store.Set_value(HKEY_LOCAL_MACHINE, k_Witness, "w", witness) == REG_OK;
    Check_listing(store, HKEY_CLASSES_ROOT, "");
    for (size_t i = 0; i < calls; ++i) Run_call(store, data + 1 + 4 * i);
    // Damaged lines are neither lost nor made sound by any write; the witness is untouched.
    Check(store.Damaged_lines().size() == damaged);
    Reg_value back;
    if (witnessed) Check(store.Get_value(HKEY_LOCAL_MACHINE, k_Witness, "w", back) == REG_OK && back.data == witness.data);
    return 0;
}
