// Where the running program keeps its instance locks and listener socket,
// and the names of the two locks: one for the log-on session, in the
// session's runtime folder, and one for the user across sessions, beside the
// configuration database that every session of the user shares.
#pragma once

#include <string>

// $XDG_RUNTIME_DIR/melvane; without that variable, a private folder in the
// user's cache folder. "" when neither can be named.
std::string RuntimeFolderPath();
// Makes the runtime folder (0700, this user's); "" when it cannot be had.
std::string PrepareRuntimeFolder();
// The configuration folder ($XDG_DATA_HOME/Melvane), made when missing; ""
// when it cannot be had.
std::string PrepareUserLockFolder();

std::string SessionLockPath(const std::string& folder);
// The per-user lock for `userName` (which may be empty).
std::string UserLockPath(const std::string& folder, const std::string& userName);
