#include "bench/support/StatWalk.h"

#include <dirent.h>
#include <sys/stat.h>

namespace bench {

namespace {

bool WalkFolder(const std::string& folder, StatWalkResult& result, bool keepPaths) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    ++result.folders;
    std::string path;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        path = folder + "/" + name;
        struct stat record {};
        if (lstat(path.c_str(), &record) != 0)
            continue;
        if (S_ISDIR(record.st_mode)) {
            (void)WalkFolder(path, result, keepPaths);
        } else if (S_ISREG(record.st_mode)) {
            ++result.files;
            result.bytes += static_cast<uint64_t>(record.st_size);
            if (keepPaths)
                result.paths.push_back(path);
        }
    }
    closedir(dir);
    return true;
}

} // namespace

bool StatWalk(const std::string& root, StatWalkResult& result, bool keepPaths) {
    result = StatWalkResult{};
    return WalkFolder(root, result, keepPaths);
}

} // namespace bench
