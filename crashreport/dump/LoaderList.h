// The memory a debugger reads to list the shared libraries of a process: the
// dynamic loader's r_debug and its chain of link_map entries with their names.
#pragma once

#include "crashreport/dump/ProcMaps.h"

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// Walks the loader's list of `pid`, found through the auxiliary vector `auxv`
// (the bytes of /proc/<pid>/auxv), the main program's headers and its dynamic
// section's DT_DEBUG entry, and gives the pages of everything read on the way
// in `pages`, ascending.
// Every address is checked to lie in a readable mapping of `mappings`. False
// when the list cannot be found or walked to its end (a static program,
// unreadable memory, a chain too long); `pages` then holds what was found.
[[nodiscard]] bool FindLoaderListPages(pid_t pid, const std::string& auxv,
                                       const std::vector<MemoryMapping>& mappings, uint64_t pageSize,
                                       std::vector<uint64_t>& pages);
