#include "platform/desktop/DefaultApps.h"

#include "platform/fs/XdgDirs.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

struct KnownType {
    const char* extension;
    const char* mimeType;
};

// The types the program shares; anything else is looked up in mime.types.
constexpr KnownType kKnownTypes[] = {
    {".mp3", "audio/mpeg"},
    {".m4a", "audio/mp4"},
    {".m3u", "audio/x-mpegurl"},
};

bool ReadText(const std::string& path, std::string* text) {
    std::ifstream file(path);
    if (!file)
        return false;
    std::stringstream buffer;
    buffer << file.rdbuf();
    *text = buffer.str();
    return true;
}

std::string Trim(const std::string& s) {
    size_t start = s.find_first_not_of(" \t\r");
    if (start == std::string::npos)
        return std::string();
    size_t end = s.find_last_not_of(" \t\r");
    return s.substr(start, end - start + 1);
}

std::vector<std::string> SplitDirs(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    std::string list = value && *value ? value : fallback;
    std::vector<std::string> dirs;
    std::istringstream parts(list);
    std::string dir;
    while (std::getline(parts, dir, ':')) {
        if (!dir.empty() && dir[0] == '/')
            dirs.push_back(dir);
    }
    return dirs;
}

// The mimeapps.list files in the order the convention gives them weight.
std::vector<std::string> MimeAppsChain() {
    std::vector<std::string> files;
    std::string configHome = ConfigHomeDir();
    if (!configHome.empty())
        files.push_back(configHome + "/mimeapps.list");
    for (const std::string& dir : SplitDirs("XDG_CONFIG_DIRS", "/etc/xdg"))
        files.push_back(dir + "/mimeapps.list");
    std::string dataHome = DataHomeDir();
    if (!dataHome.empty())
        files.push_back(dataHome + "/applications/mimeapps.list");
    for (const std::string& dir : SplitDirs("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        files.push_back(dir + "/applications/mimeapps.list");
    return files;
}

std::vector<std::string> ApplicationDirs() {
    std::vector<std::string> dirs;
    std::string dataHome = DataHomeDir();
    if (!dataHome.empty())
        dirs.push_back(dataHome + "/applications");
    for (const std::string& dir : SplitDirs("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        dirs.push_back(dir + "/applications");
    return dirs;
}

} // namespace

std::vector<std::string> ParseMimeAppsDefaults(const std::string& fileText, const std::string& mimeType) {
    std::vector<std::string> ids;
    std::istringstream lines(fileText);
    std::string line;
    bool inDefaults = false;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inDefaults = line == "[Default Applications]";
            continue;
        }
        size_t equals = line.find('=');
        if (!inDefaults || equals == std::string::npos || Trim(line.substr(0, equals)) != mimeType)
            continue;
        std::istringstream values(line.substr(equals + 1));
        std::string id;
        while (std::getline(values, id, ';')) {
            id = Trim(id);
            if (!id.empty())
                ids.push_back(id);
        }
    }
    return ids;
}

std::string ParseDesktopEntryName(const std::string& fileText) {
    std::istringstream lines(fileText);
    std::string line;
    bool inEntry = false;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (inEntry && line.compare(0, 5, "Name=") == 0)
            return Trim(line.substr(5));
    }
    return std::string();
}

std::string ParseMimeTypesFile(const std::string& fileText, const std::string& extension) {
    std::istringstream lines(fileText);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string type, ext;
        fields >> type;
        while (fields >> ext) {
            if (ext == extension)
                return type;
        }
    }
    return std::string();
}

std::string MimeTypeOfExtension(const std::string& extension) {
    for (const KnownType& known : kKnownTypes) {
        if (extension == known.extension)
            return known.mimeType;
    }
    std::string text;
    if (extension.size() < 2 || extension[0] != '.' || !ReadText("/etc/mime.types", &text))
        return std::string();
    return ParseMimeTypesFile(text, extension.substr(1));
}

std::string DefaultAppNameFor(const std::string& mimeType) {
    if (mimeType.empty())
        return std::string();
    const std::vector<std::string> appDirs = ApplicationDirs();
    for (const std::string& listFile : MimeAppsChain()) {
        std::string text;
        if (!ReadText(listFile, &text))
            continue;
        for (const std::string& id : ParseMimeAppsDefaults(text, mimeType)) {
            for (const std::string& dir : appDirs) {
                std::string desktop;
                if (ReadText(dir + "/" + id, &desktop)) {
                    std::string name = ParseDesktopEntryName(desktop);
                    if (!name.empty())
                        return name;
                }
            }
        }
    }
    return std::string();
}

} // namespace platform
