#include "client/library/SearchRoots.h"

#include "include/fs/PathUtil.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/XdgDirs.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* kDiskFsTypes[] = {"ext2", "ext3",  "ext4", "xfs",   "btrfs",  "f2fs",
                                        "vfat", "exfat", "ntfs", "ntfs3", "fuseblk"};
// Fields of a mountinfo line before the optional ones, and the separator
// that ends those.
constexpr size_t kMountPointField = 4;
constexpr size_t kDeviceField = 2;
constexpr char kOptionalEnd[] = "-";

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// Mount points write blank, tab, line feed and backslash as three octal
// digits after a backslash.
std::string DecodeMountPath(const std::string& field) {
    std::string path;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            path += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

bool ParseDevice(const std::string& field, unsigned& major, unsigned& minor) {
    char rest = 0;
    return std::sscanf(field.c_str(), "%u:%u%c", &major, &minor, &rest) == 2;
}

bool IsDiskFsType(const std::string& type) {
    return std::any_of(std::begin(kDiskFsTypes), std::end(kDiskFsTypes),
                       [&type](const char* disk) { return type == disk; });
}

// A partition has no flag of its own: its disk, one level up, has.
bool IsRemovable(const std::string& sysBlockPath, const MountEntry& mount) {
    const std::string device =
        sysBlockPath + "/" + std::to_string(mount.major) + ":" + std::to_string(mount.minor);
    for (const std::string& flag : {device + "/removable", device + "/../removable"}) {
        std::string text = ReadWholeFile(flag);
        if (!text.empty())
            return text[0] == '1';
    }
    return false;
}

} // namespace

MusicSearchSettings DefaultMusicSearchSettings() {
    MusicSearchSettings settings;
    settings.home = Utf8ToWide(platform::HomeDir());
    settings.desktop = GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
    settings.documents = GetSpecialFolderPath(CSIDL_PERSONAL);
    settings.music = GetSpecialFolderPath(CSIDL_MYMUSIC);
    return settings;
}

std::vector<MountEntry> ParseMountInfo(const std::string& text) {
    std::vector<MountEntry> mounts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> fields = TokenizeStringA(line, " ", false);
        const auto end = std::find(fields.begin(), fields.end(), kOptionalEnd);
        MountEntry mount;
        if (fields.size() <= kMountPointField || end == fields.end() || end + 1 == fields.end() ||
            end - fields.begin() <= static_cast<long>(kMountPointField) ||
            !ParseDevice(fields[kDeviceField], mount.major, mount.minor))
            continue;
        mount.mountPoint = DecodeMountPath(fields[kMountPointField]);
        mount.fsType = *(end + 1);
        mounts.push_back(mount);
    }
    return mounts;
}

ExcludedFolders SearchExclusions(const MusicSearchSettings& settings) {
    ExcludedFolders excluded(settings.systemFolders);
    if (!settings.home.empty())
        excluded.Add(settings.home);
    const std::vector<std::wstring> pieces = TokenizeString(settings.documents, L"/", false);
    // "/home/u/Documents": the folder of every user's home.
    if (pieces.size() >= 3 && !settings.documents.empty() && settings.documents[0] == L'/')
        excluded.Add(L"/" + pieces[0]);
    return excluded;
}

std::vector<std::wstring> SearchRoots(const MusicSearchSettings& settings) {
    if (!settings.roots.empty())
        return settings.roots;
    std::vector<std::wstring> roots;
    if (!settings.home.empty())
        roots.push_back(settings.home);
    const ExcludedFolders excluded = SearchExclusions(settings);
    for (const MountEntry& mount : ParseMountInfo(ReadWholeFile(settings.mountInfoPath))) {
        std::wstring point;
        if (!IsDiskFsType(mount.fsType) || !Utf8ToWideStrict(mount.mountPoint, point) || point.empty() ||
            point[0] != L'/' || point == L"/" || excluded.HoldsOrContains(point) ||
            IsRemovable(settings.sysBlockPath, mount) ||
            std::find(roots.begin(), roots.end(), point) != roots.end())
            continue;
        roots.push_back(point);
    }
    return roots;
}
