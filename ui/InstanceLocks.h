// Where the running program keeps its instance locks and listener socket,
// and the names of the two locks: one for the log-on session and one for the
// user across sessions.
#pragma once

#include <string>

// $XDG_RUNTIME_DIR/melvane; without that variable, a private folder in the
// user's cache folder. "" when neither can be named.
std::string RuntimeFolderPath();
// Makes the runtime folder (0700, this user's); "" when it cannot be had.
std::string PrepareRuntimeFolder();

std::string SessionLockPath(const std::string& folder);
// The per-user lock for `userName` (which may be empty).
std::string UserLockPath(const std::string& folder, const std::string& userName);
