#pragma once
// What a file source may be. The file graph reads its file from start to end at its own pace,
// which only a regular file allows: opening a FIFO waits for a writer and reading it never
// ends, a device or a socket gives whatever comes, and a folder holds no frames.
#include <string>

namespace wk {

// Throws Capture_error "Could not load file! ..." when the path names anything but a regular
// file. A path that names nothing, or that cannot be looked at, passes: the file is looked for
// when the graph is built.
void Refuse_irregular_file(const std::string& path);

// Opens the file as the file source will, without ever waiting on it, so that a missing,
// unreadable or irregular file is reported as such before anything else is tried. Throws
// Capture_error with the system's result.
void Check_readable(const std::string& path);

} // namespace wk
