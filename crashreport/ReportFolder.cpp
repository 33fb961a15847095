#include "crashreport/ReportFolder.h"

#include "platform/fs/FileOps.h"
#include "platform/fs/PrivateDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr char kFolderTemplate[] = "/helper-XXXXXX";

} // namespace

bool ReportFolder::Create(const std::string& parent) {
    if (parent.empty() || platform::EnsurePrivateDirectory(parent) != 0)
        return false;
    std::vector<char> path(parent.begin(), parent.end());
    path.insert(path.end(), kFolderTemplate, kFolderTemplate + sizeof kFolderTemplate);
    if (!mkdtemp(path.data()))
        return false;
    m_path = path.data();
    return true;
}

ReportFolder::~ReportFolder() {
    if (m_path.empty())
        return;
    if (DIR* dir = opendir(m_path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                unlink(PathOf(name).c_str());
        }
        closedir(dir);
    }
    rmdir(m_path.c_str());
}

int CreateExclusiveFile(const std::string& path) {
    return platform::OpenCloexec(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
}
