#pragma once
// The program's run-time error: a number, a description and the source that raised it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace wk {

class Run_time_error : public std::runtime_error {
public:
    Run_time_error(int32_t number, std::string description, std::string source = {})
        : std::runtime_error(description), number_(number), description_(std::move(description)),
          source_(std::move(source))
    {
    }
    int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    const std::string& source() const noexcept { return source_; }

private:
    int32_t number_;
    std::string description_;
    std::string source_;
};

// Error numbers the system raises itself.
enum : int32_t {
    err_Overflow = 6,
    err_Out_of_memory = 7,
    err_Subscript = 9,
    err_Type_mismatch = 13,
    err_File_not_found = 53,
    err_File_exists = 58,
    err_Disk_full = 61,
    err_Bad_file_mode = 54,
    err_Path_not_found = 76,
    err_Invalid_argument = 5,
    err_Object_required = 424,
    err_Object_variable = 91,
    err_Cannot_create_picture = 17,
    err_Registry = 26001,
};

} // namespace wk
