#include "foldertree/shell/MountTable.h"

#include "platform/fs/FileOps.h"

#include <algorithm>

namespace pgv {
namespace {

// Fields before the mount point: id, parent id, major:minor, root.
constexpr int kMountPointField = 4;
constexpr const char* kVolumeParents[] = {"/media/", "/run/media/", "/mnt/"};

std::string& OverridePath() {
    static std::string path;
    return path;
}

// Undoes the table's octal escapes ("\040" for a blank); false for a broken
// escape or an escaped NUL.
bool Unescape(std::string_view field, std::string* out) {
    out->clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out->push_back(field[i]);
            continue;
        }
        if (i + 3 >= field.size())
            return false;
        int value = 0;
        for (size_t k = 1; k <= 3; ++k) {
            char digit = field[i + k];
            if (digit < '0' || digit > '7')
                return false;
            value = value * 8 + (digit - '0');
        }
        if (value == 0 || value > 0xFF)
            return false;
        out->push_back(static_cast<char>(value));
        i += 3;
    }
    return true;
}

std::string_view NthField(std::string_view line, int index) {
    size_t start = 0;
    for (int field = 0;; ++field) {
        start = line.find_first_not_of(' ', start);
        if (start == std::string_view::npos)
            return {};
        size_t end = std::min(line.find(' ', start), line.size());
        if (field == index)
            return line.substr(start, end - start);
        start = end;
    }
}

// A clean absolute path strictly below one of the volume parents, without
// NUL (which no item-id entry can hold).
bool IsVolumeMountPoint(const std::string& path) {
    if (path.find('\0') != std::string::npos || path.find("//") != std::string::npos || path.back() == '/' ||
        path.find("/./") != std::string::npos || path.find("/../") != std::string::npos ||
        path.ends_with("/.") || path.ends_with("/.."))
        return false;
    for (const char* parent : kVolumeParents) {
        std::string_view prefix(parent);
        if (path.size() > prefix.size() && path.starts_with(prefix))
            return true;
    }
    return false;
}

} // namespace

std::vector<std::string> ParseMountInfo(std::string_view text) {
    std::vector<std::string> volumes;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        std::string mountPoint;
        if (!Unescape(NthField(line, kMountPointField), &mountPoint) || mountPoint.empty())
            continue;
        if (IsVolumeMountPoint(mountPoint))
            volumes.push_back(std::move(mountPoint));
    }
    std::sort(volumes.begin(), volumes.end());
    volumes.erase(std::unique(volumes.begin(), volumes.end()), volumes.end());
    return volumes;
}

bool ReadMountInfo(const std::string& path, std::vector<std::string>* volumes) {
    std::string text;
    if (platform::ReadFileLimited(path, kMaxMountInfoBytes, &text) != 0)
        return false;
    *volumes = ParseMountInfo(text);
    return true;
}

const std::string& MountInfoPath() {
    static const std::string kernel = kDefaultMountInfoPath;
    return OverridePath().empty() ? kernel : OverridePath();
}

void SetMountInfoPathOverride(const std::string& path) {
    OverridePath() = path;
}

} // namespace pgv
