#include "services/cRegistry.h"

#include "platform/Forms.h"
#include "platform/Registry_store.h"
#include "platform/System_info.h"
#include "services/Module_system.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "services/Operator_port.h"

#include <cstring>

namespace wk {
namespace {
// A root key as the system writes it in its messages: a signed 32-bit number
// (HKEY_LOCAL_MACHINE is -2147483646).
std::string Root_key_text(uint32_t root) { return std::to_string(static_cast<int32_t>(root)); }
} // namespace

using platform::Reg_value;
using platform::Registry_store;

std::string Reg_variant_text(const Reg_variant& v)
{
    struct Visitor {
        std::string operator()(std::monostate) const { return ""; }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(int16_t i) const { return std::to_string(i); }
        std::string operator()(int32_t i) const { return std::to_string(i); }
        std::string operator()(double d) const
        {
            char b[40];
            std::snprintf(b, sizeof b, "%.15g", d);
            return b;
        }
        std::string operator()(const std::vector<uint8_t>& bytes) const { return std::string(bytes.begin(), bytes.end()); }
    };
    return std::visit(Visitor{}, v);
}

namespace {

// %NAME% expanded from the environment; unknown names stay as they are.
std::string Expand_environment(const std::string& s)
{
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        const size_t a = s.find('%', i);
        if (a == std::string::npos) { out += s.substr(i); break; }
        const size_t b = s.find('%', a + 1);
        if (b == std::string::npos) { out += s.substr(i); break; }
        out += s.substr(i, a - i);
        const std::string name = s.substr(a + 1, b - a - 1);
        out += platform::Environment(name).value_or(s.substr(a, b - a + 1));
        i = b + 1;
    }
    return out;
}

bool Is_expandable(const std::string& s)
{
    const size_t a = s.find('%');
    return a != std::string::npos && s.find('%', a + 2) != std::string::npos;
}

} // namespace

void cRegistry::Machine(const std::string& name)
{
    if (name.size() < 3) machine_.clear();
    else if (name.rfind("\\\\", 0) == 0) machine_ = name;
    else machine_ = "\\\\" + name;
}

// Remote registries are not reached here: only this computer's own name connects.
bool cRegistry::Connected() const
{
    return machine_.empty() || Same_text_ci(machine_.substr(2), Get_Computer_Name());
}

void cRegistry::Raise(const std::string& description) const
{
    throw Run_time_error(err_Registry, description, platform::App().exe_name + ".cRegistry");
}

bool cRegistry::KeyExists() { return Registry_store().Key_exists(class_key_, section_key_); }

bool cRegistry::CreateKey()
{
    if (Registry_store().Create_key(class_key_, section_key_) != platform::REG_OK)
        Raise("Failed to create registry Key: '" + section_key_);
    return true;
}

bool cRegistry::DeleteKey()
{
    if (Registry_store().Delete_key(class_key_, section_key_) != platform::REG_OK)
        Raise("Failed to delete registry Key: '" + Root_key_text(class_key_) + "',Section: '" + section_key_);
    return true;
}

bool cRegistry::DeleteValue()
{
    Registry_store store;
    if (!store.Key_exists(class_key_, section_key_))
        Raise("Failed to open key '" + Root_key_text(class_key_) + "',Section: '" + section_key_ +
              "' for delete access");
    if (store.Delete_value(class_key_, section_key_, value_key_) != platform::REG_OK)
        Raise("Failed to delete registry Key: '" + Root_key_text(class_key_) + "',Section: '" + section_key_ +
              "',Key: '" + value_key_);
    return true;
}

Reg_variant cRegistry::Value()
{
    if (!Connected()) return default_;
    Registry_store store;
    if (const int32_t opened = store.Open_key(class_key_, section_key_); opened != platform::REG_OK) {
        Station_operator().Notice("Error reading registry, " + Get_error_text(opened));
        return default_;
    }
    Reg_value v;
    if (store.Get_value(class_key_, section_key_, value_key_, v) != platform::REG_OK) return default_;
    value_type_ = int32_t(v.type);
    switch (v.type) {
    case platform::REG_SZ:
    case platform::REG_MULTI_SZ: return Registry_store::Value_text(v);
    case platform::REG_EXPAND_SZ: return Expand_environment(Registry_store::Value_text(v));
    case platform::REG_DWORD:
    case platform::REG_DWORD_BIG_ENDIAN: {
        uint8_t b[4] = {};
        std::memcpy(b, v.data.data(), std::min<size_t>(4, v.data.size()));
        if (v.type == platform::REG_DWORD_BIG_ENDIAN) std::swap(b[0], b[3]), std::swap(b[1], b[2]);
        int32_t n;
        std::memcpy(&n, b, 4);
        return n;
    }
    default: return v.data; // binary and anything else: the bytes with their own length
    }
}

void cRegistry::Value(const Reg_variant& value)
{
    if (!Connected()) return;
    const std::string failure = "Failed to set registry value Key: '" + Root_key_text(class_key_) + "',Section: '" +
                                section_key_ + "',Key: '" + value_key_ + "' to value: '" + Reg_variant_text(value) + "'";
    Registry_store store;
    if (store.Create_key(class_key_, section_key_) != platform::REG_OK) Raise(failure);
    Reg_value v;
    switch (value_type_) {
    case platform::REG_SZ:
    case platform::REG_EXPAND_SZ: {
        const std::string text = Reg_variant_text(value);
        v = Registry_store::Text_value(text, Is_expandable(text) ? platform::REG_EXPAND_SZ : platform::REG_SZ);
        break;
    }
    case platform::REG_BINARY: {
        const auto* bytes = std::get_if<std::vector<uint8_t>>(&value);
        if (!bytes) Raise(failure);
        v = {platform::REG_BINARY, *bytes};
        break;
    }
    case platform::REG_DWORD:
    case platform::REG_DWORD_BIG_ENDIAN: {
        int32_t n;
        if (const auto* i16 = std::get_if<int16_t>(&value)) n = *i16;
        else if (const auto* i32 = std::get_if<int32_t>(&value)) n = *i32;
        else Raise(failure); // a number of 32 bits only
        v.type = platform::REG_DWORD;
        v.data.resize(4);
        std::memcpy(v.data.data(), &n, 4);
        break;
    }
    default: Raise(failure);
    }
    if (store.Set_value(class_key_, section_key_, value_key_, v) != platform::REG_OK) Raise(failure);
}

bool cRegistry::EnumerateValues(std::vector<std::string>& names, int32_t& count)
{
    names.clear();
    count = 0;
    const auto found = Registry_store().Value_names(class_key_, section_key_);
    if (!found) return false;
    names = *found;
    count = int32_t(names.size());
    return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& names, int32_t& count)
{
    names.clear();
    count = 0;
    const auto found = Registry_store().Subkey_names(class_key_, section_key_);
    if (!found) return false;
    names = *found;
    count = int32_t(names.size());
    return true;
}

Reg_variant cRegistry::ValueEx(uint32_t root, const std::string& section, const std::string& key, int32_t type,
                               const Reg_variant& default_value)
{
    class_key_ = root;
    section_key_ = section;
    value_key_ = key;
    value_type_ = type;
    default_ = default_value;
    return Value();
}

void cRegistry::ValueEx(uint32_t root, const std::string& section, const std::string& key, int32_t type,
                        const Reg_variant& default_value, const Reg_variant& value)
{
    class_key_ = root;
    section_key_ = section;
    value_key_ = key;
    value_type_ = type;
    default_ = default_value;
    Value(value);
}

// Every association value goes to the classes root and to the machine's SOFTWARE\Classes.
void cRegistry::Write_both(const std::string& path, const std::string& name, const std::string& text)
{
    const std::string saved = section_key_;
    value_type_ = platform::REG_SZ;
    class_key_ = platform::HKEY_CLASSES_ROOT;
    section_key_ = path;
    value_key_ = name;
    Value(text);
    class_key_ = platform::HKEY_LOCAL_MACHINE;
    section_key_ = "SOFTWARE\\Classes\\" + path;
    Value(text);
    section_key_ = saved;
}

void cRegistry::CreateEXEAssociation(const std::string& program_path, const std::string& class_name,
                                     const std::string& class_description, const std::string& extension,
                                     const std::string& open_menu, bool with_print, const std::string& print_menu,
                                     bool with_add, const std::string& add_menu, bool with_new,
                                     const std::string& new_menu, int32_t icon_index)
{
    const std::string ext = extension.empty() || extension[0] == '.' ? extension : "." + extension;
    Write_both(ext, "", class_name);
    Write_both(class_name, "", class_description);
    auto verb = [&](const std::string& name, const std::string& menu, const std::string& fallback,
                    const std::string& sw) {
        Write_both(class_name + "\\shell\\" + name, "", menu.empty() ? fallback : menu);
        Write_both(class_name + "\\shell\\" + name + "\\command", "",
                   program_path + (sw.empty() ? "" : " " + sw) + " \"%1\"");
    };
    verb("open", open_menu, "&Open", "");
    if (with_print) verb("print", print_menu, "&Print", "/p");
    if (with_add) verb("add", add_menu, "&Install ", "/a");
    if (with_new) verb("new", new_menu, "&New", "/n");
    Write_both(class_name + "\\DefaultIcon", "", program_path + "," + std::to_string(icon_index));
}

void cRegistry::CreateAdditionalEXEAssociations(const std::string& class_name, const std::vector<std::string>& items)
{
    if (items.size() % 3 != 0)
        Raise("Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    if (!Registry_store().Key_exists(platform::HKEY_CLASSES_ROOT, class_name))
        Raise("Error - attempt to create additional associations before class defined.");
    for (size_t i = 0; i < items.size(); i += 3) {
        Write_both(class_name + "\\shell\\" + items[i], "", items[i + 1]);
        Write_both(class_name + "\\shell\\" + items[i] + "\\command", "", items[i + 2]);
    }
}

} // namespace wk
