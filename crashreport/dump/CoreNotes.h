// The notes of a core file: thread registers, process facts, the signal, the
// auxiliary vector and the mapped files.
#pragma once

#include "crashreport/dump/ProcMaps.h"
#include "crashreport/dump/ThreadRegisters.h"

#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct ProcessFacts {
    pid_t pid = 0;
    pid_t ppid = 0;
    pid_t pgrp = 0;
    pid_t sid = 0;
    char state = 'R';
    int nice = 0;
    uint32_t uid = 0;
    uint32_t gid = 0;
    std::string name;      // the kernel's short name of the program
    std::string arguments; // the command line, blanks between arguments
};

// From /proc/<pid>/stat, status and cmdline; false when the process is gone.
[[nodiscard]] bool ReadProcessFacts(pid_t pid, ProcessFacts& facts);

// The auxiliary vector of `pid` as /proc/<pid>/auxv holds it; empty when it
// cannot be read.
std::string ReadProcAuxv(pid_t pid);

// Each appends one note, padded as ELF notes are, to `notes`.
void AppendPrstatus(std::string& notes, pid_t tid, const ProcessFacts& facts, const ThreadRegs& regs,
                    int signal);
void AppendPrpsinfo(std::string& notes, const ProcessFacts& facts);
void AppendSiginfo(std::string& notes, const siginfo_t& info);
// Nothing is appended for an empty vector (one that could not be read).
void AppendAuxv(std::string& notes, const std::string& auxv);
// The file-backed mappings among `mappings`.
void AppendFileNote(std::string& notes, const std::vector<MemoryMapping>& mappings, uint64_t pageSize);
