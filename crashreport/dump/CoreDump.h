// Writes an ELF core file of another, running process (normally the crashed
// program), readable by gdb and eu-stack, straight into a gzip stream.
#pragma once

#include "platform/lib/zlib/GzipWriter.h"

#include <sys/types.h>

#include <cstdint>
#include <string>

// Memory the core carries at most.
constexpr uint64_t kCoreMemoryBudget = 64ull << 20;

struct CoreDumpRequest {
    pid_t pid = 0;
    // The thread that failed: its registers come first in the core.
    pid_t crashedThread = 0;
    // Address in the process of its CrashRecord, or 0: the failed thread's
    // registers are then those it has while stopped.
    uint64_t recordAddress = 0;
    uint64_t budget = kCoreMemoryBudget;
};

// The threads of the process are stopped while the core is written and let
// go afterwards; one that never reached its stop (and so is not in the core)
// is let go when the work's own thread ends, before this returns. False when
// the process cannot be traced (gone, or tracing is refused) or the output
// fails.
[[nodiscard]] bool WriteCoreDump(const CoreDumpRequest& request, platform::GzipWriter& out);
