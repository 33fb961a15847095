#include "crashreport/dump/CoreLayout.h"

#include <elf.h>
#include <gtest/gtest.h>

namespace {

constexpr uint64_t kPage = 4096;

MemoryMapping Map(uint64_t start, uint64_t pages, const char* perms, const char* path = "",
                  uint64_t offset = 0) {
    MemoryMapping m;
    std::string line = "0-1 " + std::string(perms) + " 0 00:00 0 " + path;
    EXPECT_TRUE(ParseMapsLine(line, m));
    m.start = start;
    m.end = start + pages * kPage;
    m.offset = offset;
    return m;
}

std::vector<std::pair<uint64_t, uint64_t>> Plan(const std::vector<MemoryMapping>& maps,
                                                std::vector<uint64_t> stackPointers,
                                                std::vector<uint64_t> loaderPages, uint64_t budget) {
    CorePlanInput input;
    input.mappings = &maps;
    input.stackPointers = std::move(stackPointers);
    input.startsWithElf = [](const MemoryMapping& m) { return m.path.rfind(".so") != std::string::npos; };
    input.loaderPages = std::move(loaderPages);
    input.budget = budget;
    input.pageSize = kPage;
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    for (const CoreSegment& s : PlanCoreSegments(input))
        ranges.emplace_back(s.start, s.size);
    return ranges;
}

} // namespace

TEST(CoreLayoutTest, MapsLinesKeepPermissionsAndPathsWithBlanks) {
    MemoryMapping m;
    ASSERT_TRUE(ParseMapsLine("7f00-7f10 rw-p 00002000 08:01 42   /opt/my lib.so", m));
    EXPECT_EQ(0x7f00u, m.start);
    EXPECT_EQ(0x7f10u, m.end);
    EXPECT_EQ(0x2000u, m.offset);
    EXPECT_TRUE(m.read && m.write && !m.exec && m.priv);
    EXPECT_EQ("/opt/my lib.so", m.path);
    ASSERT_TRUE(ParseMapsLine("1000-2000 r-xs 00000000 00:00 0", m));
    EXPECT_TRUE(m.exec && !m.priv && m.path.empty());
    EXPECT_FALSE(ParseMapsLine("2000-1000 r-xp 0 00:00 0", m));
}

TEST(CoreLayoutTest, BudgetGoesToTheStacksThenTheLoaderListElfHeadsAndWritableMemory) {
    std::vector<MemoryMapping> maps = {
        Map(0x10000, 4, "r--p", "/usr/lib/libx.so"),         // ELF head: first page
        Map(0x20000, 4, "r--p", "/data/file.bin"),           // not ELF, not writable
        Map(0x30000, 2, "rw-p"),                             // heap, a link_map in page 1
        Map(0x40000, 1, "---p"),                             // guard page
        Map(0x50000, 8, "rw-p", "[stack]"),                  // crashed stack, sp in page 6
        Map(0x60000, 8, "rw-p"),                             // other thread's stack, sp in page 7
        Map(0x70000, 1, "r--p", "[vvar]"),                   // kernel data
        Map(0x80000, 2, "r-xp", "[vdso]"),                   // whole
        Map(0x90000, 3, "rw-s", "/dev/shm/x"),               // shared: not private memory
        Map(0xA0000, 1, "r--p", "/usr/lib/libx.so", 0x5000), // relocated, then made read-only
        Map(0xB0000, 4, "rw-p", "/usr/lib/ld.so", 0x3000),   // the loader's r_debug in page 2
    };
    maps[9].hasAnonymousPages = true;
    const uint64_t crashedSp = 0x50000 + 6 * kPage + 0x40; // red zone reaches page 5
    const uint64_t otherSp = 0x60000 + 7 * kPage + 0x100;
    const std::vector<uint64_t> loaderPages = {0x30000 + kPage, 0xB0000 + 2 * kPage, 0xC0000};

    struct Case {
        uint64_t budgetPages;
        std::vector<std::pair<uint64_t, uint64_t>> expected;
    };
    const Case cases[] = {
        // Mappings that hold loader pages are still taken once, whole.
        {64,
         {{0x10000, kPage},
          {0x30000, 2 * kPage},
          {0x50000 + 5 * kPage, 3 * kPage},
          {0x60000 + 7 * kPage, kPage},
          {0x80000, 2 * kPage},
          {0xA0000, kPage},
          {0xB0000, 4 * kPage}}},
        // The rest of the heap, the relocated page and the loader's data no
        // longer fit; the ELF head and the vDSO still do.
        {9,
         {{0x10000, kPage},
          {0x30000 + kPage, kPage},
          {0x50000 + 5 * kPage, 3 * kPage},
          {0x60000 + 7 * kPage, kPage},
          {0x80000, 2 * kPage},
          {0xB0000 + 2 * kPage, kPage}}},
        // The loader pages go before everything but the stacks.
        {6,
         {{0x30000 + kPage, kPage},
          {0x50000 + 5 * kPage, 3 * kPage},
          {0x60000 + 7 * kPage, kPage},
          {0xB0000 + 2 * kPage, kPage}}},
        // The crashed stack alone, cut from its stack pointer up.
        {2, {{0x50000 + 5 * kPage, 2 * kPage}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Plan(maps, {crashedSp, otherSp}, loaderPages, c.budgetPages * kPage))
            << c.budgetPages;
}
