#pragma once
// Registry access: set a root, a key path and a value name, then read or write Value, test,
// create or delete keys, enumerate, and register file-type associations. Failures other than
// reads raise Run_time_error 26001.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace wk {

using Reg_variant = std::variant<std::monostate, std::string, int16_t, int32_t, double, std::vector<uint8_t>>;

std::string Reg_variant_text(const Reg_variant& v);

class cRegistry {
public:
    std::string Machine() const { return machine_; }
    void Machine(const std::string& name);

    bool KeyExists();
    bool CreateKey();
    bool DeleteKey();
    bool DeleteValue();

    Reg_variant Value();
    void Value(const Reg_variant& value);

    bool EnumerateValues(std::vector<std::string>& names, int32_t& count);
    bool EnumerateSections(std::vector<std::string>& names, int32_t& count);

    // Registers extension as a file of class_name opened by program_path, with the optional
    // print, install and new verbs and the icon by index.
    void CreateEXEAssociation(const std::string& program_path, const std::string& class_name,
                              const std::string& class_description, const std::string& extension,
                              const std::string& open_menu = "", bool with_print = false,
                              const std::string& print_menu = "", bool with_add = false,
                              const std::string& add_menu = "", bool with_new = false,
                              const std::string& new_menu = "", int32_t icon_index = 0);
    // Further verbs as triples name, menu text, command.
    void CreateAdditionalEXEAssociations(const std::string& class_name, const std::vector<std::string>& items);

    int32_t ValueType() const { return value_type_; }
    void ValueType(int32_t t) { value_type_ = t; }
    uint32_t ClassKey() const { return class_key_; }
    void ClassKey(uint32_t k) { class_key_ = k; }
    std::string SectionKey() const { return section_key_; }
    void SectionKey(const std::string& s) { section_key_ = s; }
    std::string ValueKey() const { return value_key_; }
    void ValueKey(const std::string& s) { value_key_ = s; }
    Reg_variant ValueEx(uint32_t root, const std::string& section, const std::string& key, int32_t type,
                        const Reg_variant& default_value);
    void ValueEx(uint32_t root, const std::string& section, const std::string& key, int32_t type,
                 const Reg_variant& default_value, const Reg_variant& value);
    Reg_variant Default() const { return default_; }
    void Default(const Reg_variant& v) { default_ = v; }

private:
    bool Connected() const;
    [[noreturn]] void Raise(const std::string& description) const;
    void Write_both(const std::string& path, const std::string& name, const std::string& text);

    std::string machine_;
    uint32_t class_key_ = 0x80000002u;
    std::string section_key_;
    std::string value_key_;
    int32_t value_type_ = 1;
    Reg_variant default_;
};

} // namespace wk
