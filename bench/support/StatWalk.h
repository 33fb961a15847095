// A plain recursive walk of a folder tree that stats every entry: the least
// any scan of the tree has to do, and the yardstick the scans are held to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct StatWalkResult {
    uint64_t files = 0;
    uint64_t folders = 0;
    uint64_t bytes = 0;
    // Every regular file's path, in walk order, when asked for.
    std::vector<std::string> paths;
};

// False when `root` cannot be listed.
[[nodiscard]] bool StatWalk(const std::string& root, StatWalkResult& result, bool keepPaths = false);

} // namespace bench
