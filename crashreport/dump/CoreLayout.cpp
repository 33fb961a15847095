#include "crashreport/dump/CoreLayout.h"

#include <elf.h>

#include <algorithm>
#include <map>

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

// The segments chosen so far, which never overlap, and the budget left.
class SegmentPlan {
  public:
    explicit SegmentPlan(uint64_t budget) : m_left(budget) {}

    uint64_t Left() const { return m_left; }

    // Takes the parts of [start, end) not taken yet, when they all fit.
    void Take(uint64_t start, uint64_t end, uint32_t flags) {
        std::vector<CoreSegment> gaps;
        uint64_t size = 0;
        uint64_t from = start;
        auto next = m_chosen.upper_bound(start);
        if (next != m_chosen.begin())
            from = std::max(from, EndOf(std::prev(next)->second));
        for (; from < end; ++next) {
            const uint64_t to = next == m_chosen.end() ? end : std::min(end, next->first);
            if (from < to) {
                gaps.push_back({from, to - from, flags});
                size += to - from;
            }
            if (next == m_chosen.end())
                break;
            from = std::max(from, EndOf(next->second));
        }
        if (size == 0 || size > m_left)
            return;
        for (const CoreSegment& gap : gaps)
            m_chosen.emplace(gap.start, gap);
        m_left -= size;
    }

    // In address order; neighbours with the same flags are joined.
    std::vector<CoreSegment> Segments() const {
        std::vector<CoreSegment> segments;
        for (const auto& [start, segment] : m_chosen) {
            if (!segments.empty() && EndOf(segments.back()) == start &&
                segments.back().flags == segment.flags)
                segments.back().size += segment.size;
            else
                segments.push_back(segment);
        }
        return segments;
    }

  private:
    static uint64_t EndOf(const CoreSegment& s) { return s.start + s.size; }

    std::map<uint64_t, CoreSegment> m_chosen;
    uint64_t m_left;
};

} // namespace

std::vector<CoreSegment> PlanCoreSegments(const CorePlanInput& input) {
    const std::vector<MemoryMapping>& mappings = *input.mappings;
    std::vector<bool> taken(mappings.size(), false);
    SegmentPlan plan(input.budget);

    for (size_t t = 0; t < input.stackPointers.size(); ++t) {
        const uint64_t sp = input.stackPointers[t];
        for (size_t i = 0; i < mappings.size(); ++i) {
            const MemoryMapping& m = mappings[i];
            if (taken[i] || IsSkipped(m) || sp < m.start || sp >= m.end)
                continue;
            taken[i] = true;
            uint64_t from = sp - std::min(kRedZoneBytes, sp - m.start);
            from -= from % input.pageSize;
            uint64_t end = m.end;
            if (t == 0)
                end = std::min(end, from + (plan.Left() - plan.Left() % input.pageSize));
            plan.Take(from, end, FlagsOf(m));
        }
    }

    // Without these a debugger cannot list the shared libraries.
    for (uint64_t page : input.loaderPages) {
        for (const MemoryMapping& m : mappings) {
            if (page >= m.start && page < m.end && !IsSkipped(m))
                plan.Take(page, std::min(page + input.pageSize, m.end), FlagsOf(m));
        }
    }

    std::vector<size_t> writable;
    for (size_t i = 0; i < mappings.size(); ++i) {
        const MemoryMapping& m = mappings[i];
        if (taken[i] || IsSkipped(m))
            continue;
        if (m.path == "[vdso]")
            plan.Take(m.start, m.end, FlagsOf(m));
        else if (m.priv && (m.write || m.hasAnonymousPages))
            writable.push_back(i);
        else if (m.offset == 0 && !m.path.empty() && input.startsWithElf && input.startsWithElf(m))
            plan.Take(m.start, std::min(m.start + input.pageSize, m.end), FlagsOf(m));
    }
    for (size_t i : writable)
        plan.Take(mappings[i].start, mappings[i].end, FlagsOf(mappings[i]));
    return plan.Segments();
}
