#include "platform/system/OsInfo.h"

#include <sys/utsname.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace platform {

bool ParseKernelRelease(const std::string& release, KernelVersion* version) {
    KernelVersion parsed;
    if (std::sscanf(release.c_str(), "%d.%d.%d", &parsed.major, &parsed.minor, &parsed.patch) < 2)
        return false;
    *version = parsed;
    return true;
}

bool ReadKernelVersion(KernelVersion* version) {
    utsname name{};
    if (uname(&name) != 0)
        return false;
    return ParseKernelRelease(name.release, version);
}

std::string ParseOsReleasePrettyName(const std::string& fileText) {
    std::istringstream lines(fileText);
    std::string line;
    const std::string key = "PRETTY_NAME=";
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::string();
}

std::string ReadOsPrettyName() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream file(path);
        if (!file)
            continue;
        std::stringstream text;
        text << file.rdbuf();
        return ParseOsReleasePrettyName(text.str());
    }
    return std::string();
}

} // namespace platform
