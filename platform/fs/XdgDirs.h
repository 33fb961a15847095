// The per-user folders of the XDG base-directory and user-dirs conventions.
#pragma once

#include <string>

namespace platform {

// $HOME, or the password database's home when it is unset; "" when neither.
std::string HomeDir();
// $XDG_DATA_HOME or ~/.local/share.
std::string DataHomeDir();
// $XDG_CACHE_HOME or ~/.cache.
std::string CacheHomeDir();
// $XDG_CONFIG_HOME or ~/.config.
std::string ConfigHomeDir();
// $XDG_RUNTIME_DIR, or "" when unset.
std::string RuntimeDir();

// A user directory by its user-dirs key ("MUSIC", "DOCUMENTS", "DESKTOP", …)
// from user-dirs.dirs, with $HOME expanded; `fallbackName` under the home
// folder when the file does not name it.
std::string UserDir(const std::string& key, const std::string& fallbackName);

// Parses the text of a user-dirs.dirs file and returns the value of
// XDG_<key>_DIR with $HOME replaced by `home`; "" when absent or malformed.
std::string ParseUserDirsValue(const std::string& fileText, const std::string& key, const std::string& home);

} // namespace platform
