#pragma once
// The server's build number: the date and time this file's source was compiled,
// "Nov 21 2005 20:47:59".
namespace wk {

const char* Build_number();

} // namespace wk
