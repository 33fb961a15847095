#include "crashreport/dump/LoaderList.h"

#include "crashreport/dump/RemoteMemory.h"

#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

// Bounds on what the walk trusts of a process that has just crashed.
constexpr size_t kMaxLinkMapEntries = 4096;
constexpr size_t kMaxDynamicEntries = 4096;
constexpr uint64_t kMaxNameBytes = 4096;

class LoaderWalk {
  public:
    LoaderWalk(pid_t pid, const std::vector<MemoryMapping>& mappings, uint64_t pageSize)
        : m_pid(pid), m_mappings(mappings), m_pageSize(pageSize) {}

    // Reads `size` bytes at `address`, which must lie in one readable mapping,
    // and keeps their pages.
    bool Read(uint64_t address, void* out, uint64_t size) {
        if (size == 0 || !Readable(address, size) || !ReadRemote(m_pid, address, out, size))
            return false;
        Keep(address, size);
        return true;
    }

    // Reads the string at `address`, at most kMaxNameBytes with its end, and
    // keeps its pages.
    bool ReadName(uint64_t address) {
        const MemoryMapping* m = MappingOf(address);
        if (!m)
            return false;
        std::string name(std::min(kMaxNameBytes, m->end - address), '\0');
        if (!ReadRemote(m_pid, address, name.data(), name.size()))
            return false;
        const size_t end = name.find('\0');
        if (end == std::string::npos)
            return false;
        Keep(address, end + 1);
        return true;
    }

    std::vector<uint64_t> Pages() const { return std::vector<uint64_t>(m_pages.begin(), m_pages.end()); }

  private:
    const MemoryMapping* MappingOf(uint64_t address) const {
        auto after = std::upper_bound(m_mappings.begin(), m_mappings.end(), address,
                                      [](uint64_t a, const MemoryMapping& m) { return a < m.start; });
        if (after == m_mappings.begin())
            return nullptr;
        const MemoryMapping& m = *std::prev(after);
        return m.read && address < m.end ? &m : nullptr;
    }

    bool Readable(uint64_t address, uint64_t size) const {
        const MemoryMapping* m = MappingOf(address);
        return m && size <= m->end - address;
    }

    void Keep(uint64_t address, uint64_t size) {
        for (uint64_t page = address - address % m_pageSize; page < address + size; page += m_pageSize)
            m_pages.insert(page);
    }

    pid_t m_pid;
    const std::vector<MemoryMapping>& m_mappings;
    uint64_t m_pageSize;
    std::set<uint64_t> m_pages;
};

struct ProgramHeaders {
    uint64_t address = 0;
    uint64_t count = 0;
};

ProgramHeaders MainProgramHeaders(const std::string& auxv) {
    ProgramHeaders headers;
    uint64_t entrySize = 0;
    for (size_t at = 0; at + sizeof(Elf64_auxv_t) <= auxv.size(); at += sizeof(Elf64_auxv_t)) {
        Elf64_auxv_t entry;
        std::memcpy(&entry, auxv.data() + at, sizeof entry);
        if (entry.a_type == AT_NULL)
            break;
        if (entry.a_type == AT_PHDR)
            headers.address = entry.a_un.a_val;
        else if (entry.a_type == AT_PHNUM)
            headers.count = entry.a_un.a_val;
        else if (entry.a_type == AT_PHENT)
            entrySize = entry.a_un.a_val;
    }
    if (entrySize != sizeof(Elf64_Phdr) || headers.count >= PN_XNUM)
        headers.count = 0;
    return headers;
}

// The address of the loader's r_debug, from the main program's DT_DEBUG entry;
// 0 when it has none (a static program) or it cannot be read.
uint64_t FindRDebug(LoaderWalk& walk, const std::string& auxv) {
    const ProgramHeaders program = MainProgramHeaders(auxv);
    if (program.address == 0 || program.count == 0)
        return 0;
    std::vector<Elf64_Phdr> headers(program.count);
    if (!walk.Read(program.address, headers.data(), headers.size() * sizeof(Elf64_Phdr)))
        return 0;
    // The loader places a position-independent program by its PT_PHDR.
    uint64_t bias = 0;
    const Elf64_Phdr* dynamic = nullptr;
    for (const Elf64_Phdr& header : headers) {
        if (header.p_type == PT_PHDR)
            bias = program.address - header.p_vaddr;
        else if (header.p_type == PT_DYNAMIC)
            dynamic = &header;
    }
    if (!dynamic)
        return 0;
    const uint64_t count = std::min<uint64_t>(dynamic->p_memsz / sizeof(Elf64_Dyn), kMaxDynamicEntries);
    for (uint64_t i = 0; i < count; ++i) {
        Elf64_Dyn entry;
        if (!walk.Read(bias + dynamic->p_vaddr + i * sizeof entry, &entry, sizeof entry) ||
            entry.d_tag == DT_NULL)
            return 0;
        if (entry.d_tag == DT_DEBUG)
            return entry.d_un.d_ptr;
    }
    return 0;
}

bool WalkList(LoaderWalk& walk, const std::string& auxv) {
    const uint64_t debugAddress = FindRDebug(walk, auxv);
    r_debug debug;
    if (debugAddress == 0 || !walk.Read(debugAddress, &debug, sizeof debug))
        return false;
    uint64_t entry = reinterpret_cast<uint64_t>(debug.r_map);
    for (size_t n = 0; entry != 0; ++n) {
        link_map map;
        if (n == kMaxLinkMapEntries || !walk.Read(entry, &map, sizeof map))
            return false;
        if (map.l_name && !walk.ReadName(reinterpret_cast<uint64_t>(map.l_name)))
            return false;
        entry = reinterpret_cast<uint64_t>(map.l_next);
    }
    return true;
}

} // namespace

bool FindLoaderListPages(pid_t pid, const std::string& auxv, const std::vector<MemoryMapping>& mappings,
                         uint64_t pageSize, std::vector<uint64_t>& pages) {
    LoaderWalk walk(pid, mappings, pageSize);
    const bool walked = WalkList(walk, auxv);
    pages = walk.Pages();
    return walked;
}
