#include "foldertree/shell/Trash.h"

#include "foldertree/shell/FileOperations.h"

#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "platform/fs/XdgDirs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace pgv {
namespace {

constexpr int kMaxTrashNames = 1000;
constexpr const char* kInfoSuffix = ".trashinfo";

bool IsUnreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '-' || c == '_' || c == '.' || c == '~' || c == '!' || c == '*' || c == '\'' || c == '(' ||
           c == ')';
}

std::string PercentEncoded(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : path) {
        if (IsUnreserved(c)) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0xF];
        }
    }
    return encoded;
}

std::string LocalTime(int64_t now) {
    time_t seconds = static_cast<time_t>(now);
    struct tm local {};
    char text[32] = "";
    if (localtime_r(&seconds, &local))
        strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates the description of a free name; the name in `*name`.
int ReserveName(const std::string& trashFolder, const std::string& base, const std::string& info,
                std::string* name) {
    for (int number = 1; number <= kMaxTrashNames; ++number) {
        std::string candidate = NumberedName(base, number);
        struct stat existing {};
        if (lstat((trashFolder + "/files/" + candidate).c_str(), &existing) == 0)
            continue;
        std::string infoPath = trashFolder + "/info/" + candidate + kInfoSuffix;
        platform::UniqueFd fd(platform::OpenCloexec(infoPath, O_WRONLY | O_CREAT | O_EXCL, 0600));
        if (!fd.IsValid()) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        bool written = platform::WriteAll(fd.Get(), info.data(), info.size()) && fsync(fd.Get()) == 0;
        if (close(fd.Release()) != 0)
            written = false;
        if (!written) {
            int error = errno ? errno : EIO;
            unlink(infoPath.c_str());
            return error;
        }
        *name = candidate;
        return 0;
    }
    return EEXIST;
}

} // namespace

std::string HomeTrashFolder() {
    std::string dataHome = platform::DataHomeDir();
    return dataHome.empty() ? std::string() : dataHome + "/Trash";
}

std::string TrashInfoText(const std::string& path, int64_t now) {
    return "[Trash Info]\nPath=" + PercentEncoded(path) + "\nDeletionDate=" + LocalTime(now) + "\n";
}

int MoveToTrash(const std::string& path, const std::string& trashFolder, int64_t now, std::string* trashed,
                LeftBehind* left) {
    if (path.empty() || path[0] != '/' || trashFolder.empty() || IsSameOrInside(trashFolder, path))
        return EINVAL;
    for (const char* folder : {"/files", "/info"}) {
        if (platform::MakeDirectories(trashFolder + folder, 0700) != 0)
            return errno;
    }
    std::string name;
    if (int error = ReserveName(trashFolder, BaseName(path), TrashInfoText(path, now), &name))
        return error;
    std::string target = trashFolder + "/files/" + name;
    if (int error = MoveTo(path, target, left)) {
        unlink((trashFolder + "/info/" + name + kInfoSuffix).c_str());
        return error;
    }
    *trashed = target;
    return 0;
}

} // namespace pgv
