// Which memory of a crashed process its core carries, within a byte budget.
#pragma once

#include "crashreport/dump/ProcMaps.h"

#include <cstdint>
#include <functional>
#include <vector>

// One PT_LOAD segment: `size` bytes of memory at `start`, all in the file.
struct CoreSegment {
    uint64_t start = 0;
    uint64_t size = 0;
    uint32_t flags = 0; // PF_R, PF_W, PF_X
};

struct CorePlanInput {
    const std::vector<MemoryMapping>* mappings = nullptr;
    // The threads' stack pointers, the crashed thread's first.
    std::vector<uint64_t> stackPointers;
    // Whether a mapping at file offset 0 holds the start of an ELF object.
    std::function<bool(const MemoryMapping&)> startsWithElf;
    // Pages that hold the dynamic loader's list of shared libraries.
    std::vector<uint64_t> loaderPages;
    uint64_t budget = 0;
    uint64_t pageSize = 4096;
};

// The segments, in address order, none overlapping. The crashed thread's live
// stack comes first (cut to the budget when it alone exceeds it), then the
// other live stacks, the loader's pages, the first page of each mapped ELF
// object and the vDSO, then the private writable mappings, and the private
// ones the process has written (relocated data made read-only afterwards), in
// address order while they fit.
std::vector<CoreSegment> PlanCoreSegments(const CorePlanInput& input);
