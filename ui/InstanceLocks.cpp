#include "ui/InstanceLocks.h"

#include "include/fs/PathUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/PrivateDir.h"
#include "platform/fs/XdgDirs.h"

namespace {

constexpr char kSessionLockName[] = "melvane_kovik_mutex";
constexpr char kUserLockPrefix[] = "melvane_kovik_mutex-";
constexpr size_t kMaxLockNameChars = 2047;

} // namespace

std::string RuntimeFolderPath() {
    std::string runtime = platform::RuntimeDir();
    // A relative value is invalid and ignored, as the XDG rules say.
    if (!runtime.empty() && runtime[0] == '/')
        return runtime + "/melvane";
    std::string cache = platform::CacheHomeDir();
    if (cache.empty() || cache[0] != '/')
        return std::string();
    return cache + "/Melvane/run";
}

std::string PrepareRuntimeFolder() {
    std::string folder = RuntimeFolderPath();
    if (folder.empty() || platform::EnsurePrivateDirectory(folder) != 0)
        return std::string();
    return folder;
}

std::string PrepareUserLockFolder() {
    // The folder the core keeps its configuration database in.
    return WideToUtf8(GetAppDataDir());
}

std::string SessionLockPath(const std::string& folder) {
    return folder + "/" + kSessionLockName + ".lock";
}

std::string UserLockPath(const std::string& folder, const std::string& userName) {
    std::string name = kUserLockPrefix + userName;
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    if (name.size() > kMaxLockNameChars)
        name.resize(kMaxLockNameChars);
    return folder + "/" + name + ".lock";
}
