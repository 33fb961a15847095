#include "crashreport/dump/CoreLayout.h"

#include <elf.h>

#include <algorithm>

namespace {

// Below a thread's stack pointer only the red zone can still be live.
constexpr uint64_t kRedZoneBytes = 128;

uint32_t FlagsOf(const MemoryMapping& m) {
    return (m.read ? PF_R : 0) | (m.write ? PF_W : 0) | (m.exec ? PF_X : 0);
}

// Kernel mappings that cannot or need not be read.
bool IsSkipped(const MemoryMapping& m) {
    return !m.read || m.path == "[vvar]" || m.path == "[vvar_vclock]" || m.path == "[vsyscall]";
}

} // namespace

std::vector<CoreSegment> PlanCoreSegments(const CorePlanInput& input) {
    const std::vector<MemoryMapping>& mappings = *input.mappings;
    std::vector<bool> taken(mappings.size(), false);
    std::vector<CoreSegment> chosen;
    uint64_t left = input.budget;
    auto take = [&](const CoreSegment& segment) {
        if (segment.size == 0 || segment.size > left)
            return;
        chosen.push_back(segment);
        left -= segment.size;
    };

    for (size_t t = 0; t < input.stackPointers.size(); ++t) {
        const uint64_t sp = input.stackPointers[t];
        for (size_t i = 0; i < mappings.size(); ++i) {
            const MemoryMapping& m = mappings[i];
            if (taken[i] || IsSkipped(m) || sp < m.start || sp >= m.end)
                continue;
            taken[i] = true;
            uint64_t from = sp - std::min(kRedZoneBytes, sp - m.start);
            from -= from % input.pageSize;
            CoreSegment segment{from, m.end - from, FlagsOf(m)};
            if (t == 0)
                segment.size = std::min(segment.size, left - left % input.pageSize);
            take(segment);
        }
    }

    std::vector<size_t> writable;
    for (size_t i = 0; i < mappings.size(); ++i) {
        const MemoryMapping& m = mappings[i];
        if (taken[i] || IsSkipped(m))
            continue;
        if (m.path == "[vdso]")
            take({m.start, m.end - m.start, FlagsOf(m)});
        else if (m.priv && (m.write || m.hasAnonymousPages))
            writable.push_back(i);
        else if (m.offset == 0 && !m.path.empty() && input.startsWithElf && input.startsWithElf(m))
            take({m.start, std::min(input.pageSize, m.end - m.start), FlagsOf(m)});
    }
    for (size_t i : writable)
        take({mappings[i].start, mappings[i].end - mappings[i].start, FlagsOf(mappings[i])});

    std::sort(chosen.begin(), chosen.end(),
              [](const CoreSegment& a, const CoreSegment& b) { return a.start < b.start; });
    return chosen;
}
