#pragma once
// What every fuzz target shares: a quiet program (no dialogs, no error window, no tracer), a
// private home, and the input written to a file of a chosen suffix.
#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace wk::fuzz {

// Once per process: dialogs answer with their default button silently, error reports go nowhere,
// WAKELINE_HOME points at a private temporary folder.
void Quiet_program();
// The bytes as a file of that suffix in the private folder (the same path each time).
std::string Write_input(const uint8_t* data, size_t size, const std::string& suffix);
// The bytes as a file of that suffix that lives in memory only: the name it opens by (writes
// change the copy in memory, never a file). Nothing is written to the disk per input.
std::string Memory_input(const uint8_t* data, size_t size, const std::string& suffix);
// A path of that name in the private folder, for what a target writes.
std::string Private_path(const std::string& name);
// The file's bytes; "" when it cannot be read.
std::string Read_file(const std::string& path);
// The tree as the XML library writes it in UTF-8: equal for equal trees, whatever the encoding
// of the file they came from.
std::string Utf8_tree(const pugi::xml_document& doc);

} // namespace wk::fuzz
