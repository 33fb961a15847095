// The memory map of a process as /proc/<pid>/maps and smaps list it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct MemoryMapping {
    uint64_t start = 0;
    uint64_t end = 0;
    uint64_t offset = 0; // in the mapped file
    bool read = false;
    bool write = false;
    bool exec = false;
    bool priv = false;
    // Copy-on-write pages that the process has written, so that the memory
    // no longer equals the file (as relocated read-only data).
    bool hasAnonymousPages = false;
    std::string path; // a file, a "[name]" of the kernel's, or empty
};

// One line of the maps file; false for a line that is not one.
[[nodiscard]] bool ParseMapsLine(const std::string& line, MemoryMapping& mapping);

// The mappings of `pid` in address order, from /proc/<pid>/smaps; false when
// the file cannot be read.
[[nodiscard]] bool ReadProcMaps(pid_t pid, std::vector<MemoryMapping>& mappings);
