#include "crashreport/dump/CoreNotes.h"

#include <elf.h>
#include <sys/procfs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

// The owner name of the kernel's own core notes.
constexpr char kCoreNoteName[] = "CORE";

static_assert(sizeof(ThreadRegs) == sizeof(elf_gregset_t), "register layout of NT_PRSTATUS");

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void AppendPadded(std::string& out, const void* data, size_t size) {
    out.append(static_cast<const char*>(data), size);
    out.append((4 - size % 4) % 4, '\0');
}

void AppendNote(std::string& notes, uint32_t type, const void* desc, size_t size) {
    Elf64_Nhdr header{};
    header.n_namesz = sizeof kCoreNoteName;
    header.n_descsz = static_cast<Elf64_Word>(size);
    header.n_type = type;
    notes.append(reinterpret_cast<const char*>(&header), sizeof header);
    AppendPadded(notes, kCoreNoteName, sizeof kCoreNoteName);
    AppendPadded(notes, desc, size);
}

template <typename Value> void AppendValue(std::string& out, Value value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

bool ReadProcessFacts(pid_t pid, ProcessFacts& facts) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/";
    const std::string stat = ReadWholeFile(folder + "stat");
    // "pid (name) state ppid pgrp session ..."; the name may hold ')'.
    const size_t open = stat.find('(');
    const size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    facts.pid = pid;
    facts.name = stat.substr(open + 1, close - open - 1);
    std::istringstream rest(stat.substr(close + 1));
    long skip = 0;
    rest >> facts.state >> facts.ppid >> facts.pgrp >> facts.sid;
    // tty, tpgid, flags, 4 fault counts, 4 times, priority, then nice.
    for (int i = 0; i < 12 && rest; ++i)
        rest >> skip;
    rest >> facts.nice;

    std::istringstream status(ReadWholeFile(folder + "status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Uid:", 0) == 0)
            std::sscanf(line.c_str() + 4, "%u", &facts.uid);
        else if (line.rfind("Gid:", 0) == 0)
            std::sscanf(line.c_str() + 4, "%u", &facts.gid);
    }

    facts.arguments = ReadWholeFile(folder + "cmdline");
    while (!facts.arguments.empty() && facts.arguments.back() == '\0')
        facts.arguments.pop_back();
    std::replace(facts.arguments.begin(), facts.arguments.end(), '\0', ' ');
    return true;
}

void AppendPrstatus(std::string& notes, pid_t tid, const ProcessFacts& facts, const ThreadRegs& regs,
                    int signal) {
    elf_prstatus status;
    std::memset(&status, 0, sizeof status);
    status.pr_info.si_signo = signal;
    status.pr_cursig = static_cast<short>(signal);
    status.pr_pid = tid;
    status.pr_ppid = facts.ppid;
    status.pr_pgrp = facts.pgrp;
    status.pr_sid = facts.sid;
    std::memcpy(&status.pr_reg, &regs, sizeof regs);
    AppendNote(notes, NT_PRSTATUS, &status, sizeof status);
}

void AppendPrpsinfo(std::string& notes, const ProcessFacts& facts) {
    elf_prpsinfo info;
    std::memset(&info, 0, sizeof info);
    static const char kStates[] = "RSDTZW";
    const char* state = std::strchr(kStates, facts.state);
    info.pr_state = state ? static_cast<char>(state - kStates) : 0;
    info.pr_sname = facts.state;
    info.pr_zomb = facts.state == 'Z';
    info.pr_nice = static_cast<char>(facts.nice);
    info.pr_uid = facts.uid;
    info.pr_gid = facts.gid;
    info.pr_pid = facts.pid;
    info.pr_ppid = facts.ppid;
    info.pr_pgrp = facts.pgrp;
    info.pr_sid = facts.sid;
    std::strncpy(info.pr_fname, facts.name.c_str(), sizeof info.pr_fname - 1);
    std::strncpy(info.pr_psargs, facts.arguments.c_str(), sizeof info.pr_psargs - 1);
    AppendNote(notes, NT_PRPSINFO, &info, sizeof info);
}

void AppendSiginfo(std::string& notes, const siginfo_t& info) {
    AppendNote(notes, NT_SIGINFO, &info, sizeof info);
}

std::string ReadProcAuxv(pid_t pid) {
    return ReadWholeFile("/proc/" + std::to_string(pid) + "/auxv");
}

void AppendAuxv(std::string& notes, const std::string& auxv) {
    if (!auxv.empty())
        AppendNote(notes, NT_AUXV, auxv.data(), auxv.size());
}

void AppendFileNote(std::string& notes, const std::vector<MemoryMapping>& mappings, uint64_t pageSize) {
    // count, page size, {start, end, offset in pages} per file, then the
    // names, each ended by a zero byte.
    std::string ranges;
    std::string names;
    uint64_t count = 0;
    for (const MemoryMapping& m : mappings) {
        if (m.path.empty() || m.path[0] != '/')
            continue;
        AppendValue<uint64_t>(ranges, m.start);
        AppendValue<uint64_t>(ranges, m.end);
        AppendValue<uint64_t>(ranges, m.offset / pageSize);
        names.append(m.path).push_back('\0');
        ++count;
    }
    std::string desc;
    AppendValue<uint64_t>(desc, count);
    AppendValue<uint64_t>(desc, pageSize);
    desc += ranges;
    desc += names;
    AppendNote(notes, NT_FILE, desc.data(), desc.size());
}
