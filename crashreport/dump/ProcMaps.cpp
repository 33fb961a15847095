#include "crashreport/dump/ProcMaps.h"

#include <cinttypes>
#include <cstdio>
#include <fstream>

bool ParseMapsLine(const std::string& line, MemoryMapping& mapping) {
    // "start-end perms offset dev inode   path"; the path may hold blanks.
    char perms[5] = {};
    int pathStart = -1;
    if (std::sscanf(line.c_str(), "%" SCNx64 "-%" SCNx64 " %4s %" SCNx64 " %*s %*u %n", &mapping.start,
                    &mapping.end, perms, &mapping.offset, &pathStart) < 4 ||
        mapping.end <= mapping.start)
        return false;
    mapping.read = perms[0] == 'r';
    mapping.write = perms[1] == 'w';
    mapping.exec = perms[2] == 'x';
    mapping.priv = perms[3] == 'p';
    mapping.path = pathStart >= 0 ? line.substr(static_cast<size_t>(pathStart)) : std::string();
    return true;
}

bool ReadProcMaps(pid_t pid, std::vector<MemoryMapping>& mappings) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/smaps");
    if (!file)
        return false;
    mappings.clear();
    std::string line;
    while (std::getline(file, line)) {
        // Each mapping's line is followed by "Field: value" lines.
        unsigned long anonymousKb = 0;
        if (!mappings.empty() && std::sscanf(line.c_str(), "Anonymous: %lu kB", &anonymousKb) == 1) {
            mappings.back().hasAnonymousPages = anonymousKb > 0;
            continue;
        }
        MemoryMapping mapping;
        if (ParseMapsLine(line, mapping))
            mappings.push_back(std::move(mapping));
    }
    return !mappings.empty();
}
