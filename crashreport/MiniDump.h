// The compressed core of the crashed process, made in the report's folder.
#pragma once

#include "crashreport/ReportFolder.h"

#include <sys/types.h>

#include <cstdint>
#include <string>

// The path of the .gz core of `pid`, or "" when there is none: pid 0 (a plain
// report), a process that cannot be traced, or a failed write (nothing is
// then left behind).
std::string WriteMiniDump(const ReportFolder& folder, pid_t pid, pid_t tid, uint64_t recordAddress);
