#pragma once
// Folders no other local user can plant a name in. A fixed name in a shared temporary folder can
// be taken first by anyone (a folder of theirs, a link to one of our files, a socket that answers
// in our stead), so such a folder is used only once it is seen to be ours: a real folder, not a
// link, owned by this user and closed to everyone else.
#include <filesystem>
#include <string>

namespace wk::platform {

// Empty when path is a folder of this user's that no one else may enter; otherwise why it
// cannot be trusted, as a sentence for the operator.
std::string Private_folder_problem(const std::filesystem::path& path);
// Makes path with mode 0700 when it is missing (its parent must exist), then checks it as above.
// False, with problem set, when it cannot be made or trusted; an existing folder is never changed.
bool Make_private_folder(const std::filesystem::path& path, std::string& problem);
// This user's private folder in the temporary folder, <temp>/Wakeline-<uid>: where the files the
// system keeps in its temporary folder go, and runtime files when there is no runtime folder.
// Empty, with problem set, when it cannot be made or trusted.
std::filesystem::path Private_temp_folder(std::string& problem);
// Where sockets and locks go: $XDG_RUNTIME_DIR when it is set and passes the check, else the
// private temporary folder. Empty, with problem set, when neither can be had.
std::filesystem::path Runtime_folder(std::string& problem);

} // namespace wk::platform
