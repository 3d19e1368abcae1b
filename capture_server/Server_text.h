#pragma once
// How the capture server reads the texts it is given.
#include <cstdint>
#include <string>
#include <string_view>

namespace wk {

// The leading decimal integer of text, as C's atol reads it (blanks, a sign, digits; 0 when there
// are none), held to the 32-bit range instead of overflowing.
int32_t Leading_integer(std::string_view text);
// ASCII letters in lower case: property names compare without regard to case.
std::string Lower_ascii(std::string_view text);

} // namespace wk
