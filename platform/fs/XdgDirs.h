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

// Ids of the special folders that have a folder of their own here (the
// numbers the program's folder ids have elsewhere).
enum SpecialFolderId {
    SF_DESKTOP = 0,
    SF_DOCUMENTS = 5,
    SF_MUSIC = 13,
    SF_VIDEOS = 14,
    SF_DESKTOP_DIRECTORY = 16,
    SF_CONFIG = 26,
    SF_LOCAL_DATA = 28,
    SF_PICTURES = 39,
    SF_PROFILE = 40,
};
// The folder of a special folder id: the XDG user directory, base
// directory or home folder it stands for; false for an id with no folder.
// The path may be "" when there is no home folder, and need not exist.
bool SpecialFolderDir(int id, std::string* path);

// Parses the text of a user-dirs.dirs file and returns the value of
// XDG_<key>_DIR with $HOME replaced by `home`; "" when absent or malformed.
std::string ParseUserDirsValue(const std::string& fileText, const std::string& key, const std::string& home);

} // namespace platform
