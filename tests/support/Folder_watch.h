#pragma once
// Waits for a condition on files that another process or thread changes: the folder is watched
// through inotify and the condition re-checked at each change in it.
#include <chrono>
#include <filesystem>
#include <functional>

namespace wk::test {

// Waits until done() holds, re-checking it whenever a file in folder is made, written, moved in
// or out, or removed; false when it still does not once hang is over (a bound that only catches
// a hang) or when the folder cannot be watched (the test then fails with the reason).
bool Wait_for_change_in(const std::filesystem::path& folder, const std::function<bool()>& done,
                        std::chrono::milliseconds hang = std::chrono::seconds(60));

} // namespace wk::test
