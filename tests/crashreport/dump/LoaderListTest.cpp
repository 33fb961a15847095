#include "crashreport/dump/LoaderList.h"
#include "crashreport/dump/CoreNotes.h"

#include <gtest/gtest.h>
#include <link.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

// A fork of the test process, stopped until it is killed: its loader's list
// lies at the same addresses as ours.
class StoppedChild {
  public:
    StoppedChild() {
        m_pid = fork();
        if (m_pid == 0) {
            raise(SIGSTOP);
            _exit(0);
        }
        int status = 0;
        m_stopped = m_pid > 0 && waitpid(m_pid, &status, WUNTRACED) == m_pid && WIFSTOPPED(status);
    }
    ~StoppedChild() {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    StoppedChild(const StoppedChild&) = delete;
    StoppedChild& operator=(const StoppedChild&) = delete;

    pid_t Pid() const { return m_pid; }
    bool Stopped() const { return m_stopped; }

  private:
    pid_t m_pid = -1;
    bool m_stopped = false;
};

void AddPages(std::set<uint64_t>& pages, const void* address, size_t size, uint64_t pageSize) {
    const uint64_t start = reinterpret_cast<uint64_t>(address);
    for (uint64_t page = start - start % pageSize; page < start + size; page += pageSize)
        pages.insert(page);
}

// The loader's own r_debug, as our DT_DEBUG names it (`_r_debug` in a program
// may be a copy made at relocation).
const r_debug* LoaderDebug() {
    for (const ElfW(Dyn)* entry = _DYNAMIC; entry->d_tag != DT_NULL; ++entry) {
        if (entry->d_tag == DT_DEBUG)
            return reinterpret_cast<const r_debug*>(entry->d_un.d_ptr);
    }
    return nullptr;
}

} // namespace

TEST(LoaderListTest, WalkKeepsTheRDebugEveryLinkMapEntryAndItsName) {
    StoppedChild child;
    ASSERT_TRUE(child.Stopped());
    const uint64_t pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    std::vector<MemoryMapping> mappings;
    ASSERT_TRUE(ReadProcMaps(child.Pid(), mappings));
    const std::string auxv = ReadProcAuxv(child.Pid());
    if (auxv.empty())
        GTEST_SKIP() << "another process's auxiliary vector cannot be read here";

    std::vector<uint64_t> pages;
    ASSERT_TRUE(FindLoaderListPages(child.Pid(), auxv, mappings, pageSize, pages));
    const r_debug* debug = LoaderDebug();
    ASSERT_NE(nullptr, debug);
    std::set<uint64_t> expected;
    AddPages(expected, debug, sizeof *debug, pageSize);
    size_t entries = 0;
    for (const link_map* map = debug->r_map; map; map = map->l_next, ++entries) {
        AddPages(expected, map, sizeof *map, pageSize);
        AddPages(expected, map->l_name, std::strlen(map->l_name) + 1, pageSize);
    }
    EXPECT_GT(entries, 2u) << "the test program links shared libraries";
    for (uint64_t page : expected)
        EXPECT_TRUE(std::binary_search(pages.begin(), pages.end(), page)) << std::hex << page;
}
