#include "platform/fs/XdgDirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    // The convention ignores relative values.
    if (value && value[0] == '/')
        return value;
    return fallback;
}

std::string UnderHome(const char* relative) {
    std::string home = HomeDir();
    return home.empty() ? std::string() : home + "/" + relative;
}

} // namespace

std::string HomeDir() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    passwd pw{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return std::string();
}

std::string DataHomeDir() {
    return EnvOr("XDG_DATA_HOME", UnderHome(".local/share"));
}

std::string CacheHomeDir() {
    return EnvOr("XDG_CACHE_HOME", UnderHome(".cache"));
}

std::string ConfigHomeDir() {
    return EnvOr("XDG_CONFIG_HOME", UnderHome(".config"));
}

std::string RuntimeDir() {
    return EnvOr("XDG_RUNTIME_DIR", std::string());
}

std::string ParseUserDirsValue(const std::string& fileText, const std::string& key, const std::string& home) {
    const std::string prefix = "XDG_" + key + "_DIR=";
    std::istringstream lines(fileText);
    std::string line;
    while (std::getline(lines, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0)
            continue;
        std::string value = line.substr(start + prefix.size());
        // The value is a double-quoted path, either absolute or "$HOME/…", in
        // which '"', '\\', '$' and '`' are escaped with a backslash.
        if (value.empty() || value.front() != '"')
            return std::string();
        std::string result;
        bool closed = false;
        for (size_t i = 1; i < value.size() && !closed; ++i) {
            if (value[i] == '"') {
                closed = true;
            } else if (value[i] == '\\' && i + 1 < value.size()) {
                result += value[++i];
            } else if (value.compare(i, 5, "$HOME") == 0) {
                result += home;
                i += 4;
            } else {
                result += value[i];
            }
        }
        if (!closed)
            return std::string();
        if (result.empty() || result[0] != '/')
            return std::string();
        return result;
    }
    return std::string();
}

std::string UserDir(const std::string& key, const std::string& fallbackName) {
    std::string home = HomeDir();
    std::string configHome = ConfigHomeDir();
    if (!configHome.empty()) {
        std::ifstream file(configHome + "/user-dirs.dirs");
        if (file) {
            std::stringstream text;
            text << file.rdbuf();
            std::string value = ParseUserDirsValue(text.str(), key, home);
            if (!value.empty())
                return value;
        }
    }
    return home.empty() ? std::string() : home + "/" + fallbackName;
}

bool SpecialFolderDir(int id, std::string* path) {
    switch (id) {
    case SF_DESKTOP:
    case SF_DESKTOP_DIRECTORY:
        *path = UserDir("DESKTOP", "Desktop");
        return true;
    case SF_DOCUMENTS:
        *path = UserDir("DOCUMENTS", "Documents");
        return true;
    case SF_MUSIC:
        *path = UserDir("MUSIC", "Music");
        return true;
    case SF_VIDEOS:
        *path = UserDir("VIDEOS", "Videos");
        return true;
    case SF_PICTURES:
        *path = UserDir("PICTURES", "Pictures");
        return true;
    case SF_CONFIG:
        *path = ConfigHomeDir();
        return true;
    case SF_LOCAL_DATA:
        *path = DataHomeDir();
        return true;
    case SF_PROFILE:
        *path = HomeDir();
        return true;
    default:
        return false;
    }
}

} // namespace platform
