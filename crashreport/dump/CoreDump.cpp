#include "crashreport/dump/CoreDump.h"

#include "crashreport/dump/CoreLayout.h"
#include "crashreport/dump/CoreNotes.h"
#include "crashreport/dump/LoaderList.h"
#include "crashreport/dump/RemoteMemory.h"
#include "crashreport/dump/StoppedTasks.h"
#include "crashreport/dump/TracerThread.h"
#include "include/crash/CrashRecord.h"
#include "include/log/Logger.h"

#include <elf.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kCopyChunkBytes = 1 << 20;

#if defined(__x86_64__)
constexpr Elf64_Half kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr Elf64_Half kMachine = EM_AARCH64;
#endif

struct ThreadState {
    pid_t tid;
    ThreadRegs regs;
};

// The stopped threads with their registers, the crashed one first.
std::vector<ThreadState> CollectThreads(const StoppedTasks& tasks, const CoreDumpRequest& request,
                                        const CrashRecord* record) {
    std::vector<pid_t> tids = tasks.Tasks();
    std::sort(tids.begin(), tids.end());
    auto crashed = std::find(tids.begin(), tids.end(), request.crashedThread);
    if (crashed != tids.end())
        std::rotate(tids.begin(), crashed, crashed + 1);
    std::vector<ThreadState> threads;
    for (pid_t tid : tids) {
        ThreadState state{tid, {}};
        if (!ReadThreadRegisters(tid, state.regs))
            continue;
        if (record && tid == request.crashedThread)
            ApplySignalContext(record->context, state.regs);
        threads.push_back(state);
    }
    return threads;
}

bool StartsWithElf(pid_t pid, const MemoryMapping& mapping) {
    unsigned char magic[SELFMAG];
    return ReadRemote(pid, mapping.start, magic, sizeof magic) && std::memcmp(magic, ELFMAG, SELFMAG) == 0;
}

std::string BuildNotes(pid_t pid, const std::vector<ThreadState>& threads, const CrashRecord* record,
                       const std::string& auxv, const std::vector<MemoryMapping>& mappings,
                       uint64_t pageSize) {
    ProcessFacts facts;
    if (!ReadProcessFacts(pid, facts))
        facts.pid = pid;
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    if (record)
        info = record->info;
    std::string notes;
    // The kernel's order: the first thread, then the process notes, then the
    // other threads. Debuggers take the first thread as the current one.
    for (size_t i = 0; i < threads.size(); ++i) {
        AppendPrstatus(notes, threads[i].tid, facts, threads[i].regs, i == 0 ? info.si_signo : 0);
        if (i == 0) {
            AppendPrpsinfo(notes, facts);
            AppendSiginfo(notes, info);
            AppendAuxv(notes, auxv);
            AppendFileNote(notes, mappings, pageSize);
        }
    }
    return notes;
}

Elf64_Ehdr MakeElfHeader(size_t programHeaders) {
    Elf64_Ehdr header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_ident[EI_OSABI] = ELFOSABI_NONE;
    header.e_type = ET_CORE;
    header.e_machine = kMachine;
    header.e_version = EV_CURRENT;
    header.e_phoff = sizeof(Elf64_Ehdr);
    header.e_ehsize = sizeof(Elf64_Ehdr);
    header.e_phentsize = sizeof(Elf64_Phdr);
    header.e_phnum = static_cast<Elf64_Half>(programHeaders);
    return header;
}

bool WriteSegments(pid_t pid, const std::vector<CoreSegment>& segments, uint64_t pageSize,
                   platform::GzipWriter& out) {
    std::vector<unsigned char> buffer(kCopyChunkBytes);
    for (const CoreSegment& segment : segments) {
        for (uint64_t done = 0; done < segment.size;) {
            const size_t chunk = static_cast<size_t>(std::min<uint64_t>(segment.size - done, buffer.size()));
            ReadRemoteOrZero(pid, segment.start + done, buffer.data(), chunk, pageSize);
            if (!out.Write(buffer.data(), chunk))
                return false;
            done += chunk;
        }
    }
    return true;
}

bool WriteTracedCore(const CoreDumpRequest& request, platform::GzipWriter& out) {
    StoppedTasks tasks;
    if (request.pid <= 0 || !tasks.Stop(request.pid))
        return false;
    const uint64_t pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));

    CrashRecord recordCopy;
    const CrashRecord* record = nullptr;
    if (request.recordAddress != 0 &&
        ReadRemote(request.pid, request.recordAddress, &recordCopy, sizeof recordCopy))
        record = &recordCopy;

    const std::vector<ThreadState> threads = CollectThreads(tasks, request, record);
    std::vector<MemoryMapping> mappings;
    if (threads.empty() || !ReadProcMaps(request.pid, mappings))
        return false;

    CorePlanInput plan;
    plan.mappings = &mappings;
    for (const ThreadState& thread : threads)
        plan.stackPointers.push_back(StackPointerOf(thread.regs));
    plan.startsWithElf = [pid = request.pid](const MemoryMapping& m) { return StartsWithElf(pid, m); };
    const std::string auxv = ReadProcAuxv(request.pid);
    if (!FindLoaderListPages(request.pid, auxv, mappings, pageSize, plan.loaderPages))
        MVLOG(LOG_ERR, "Core dump: no full list of shared libraries in process %d (%zu pages of it found)",
              request.pid, plan.loaderPages.size());
    plan.budget = request.budget;
    plan.pageSize = pageSize;
    std::vector<CoreSegment> segments = PlanCoreSegments(plan);
    // e_phnum is 16 bits; PT_NOTE takes one.
    if (segments.size() > PN_XNUM - 2)
        segments.resize(PN_XNUM - 2);

    const std::string notes = BuildNotes(request.pid, threads, record, auxv, mappings, pageSize);

    const size_t headerBytes = sizeof(Elf64_Ehdr) + (segments.size() + 1) * sizeof(Elf64_Phdr);
    std::vector<Elf64_Phdr> headers;
    Elf64_Phdr note{};
    note.p_type = PT_NOTE;
    note.p_offset = headerBytes;
    note.p_filesz = notes.size();
    note.p_align = 4;
    headers.push_back(note);
    uint64_t offset = headerBytes + notes.size();
    offset += (pageSize - offset % pageSize) % pageSize;
    const uint64_t dataStart = offset;
    for (const CoreSegment& segment : segments) {
        Elf64_Phdr load{};
        load.p_type = PT_LOAD;
        load.p_flags = segment.flags;
        load.p_offset = offset;
        load.p_vaddr = segment.start;
        load.p_filesz = segment.size;
        load.p_memsz = segment.size;
        load.p_align = pageSize;
        headers.push_back(load);
        offset += segment.size;
    }

    const Elf64_Ehdr elf = MakeElfHeader(headers.size());
    const std::string padding(dataStart - headerBytes - notes.size(), '\0');
    return out.Write(&elf, sizeof elf) && out.Write(headers.data(), headers.size() * sizeof(Elf64_Phdr)) &&
           out.Write(notes.data(), notes.size()) && out.Write(padding.data(), padding.size()) &&
           WriteSegments(request.pid, segments, pageSize, out);
}

} // namespace

bool WriteCoreDump(const CoreDumpRequest& request, platform::GzipWriter& out) {
    return RunAsTracer([&] { return WriteTracedCore(request, out); });
}
