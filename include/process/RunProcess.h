// Starting another program, the one way the program runs a child.
#pragma once

#include "include/text/FixedText.h"

#include <cstdint>
#include <string>
#include <vector>

// Starts args[0] with `args` (no shell, no inherited descriptors) and waits up
// to `waitSeconds` for it (0: no wait). A child still running afterwards goes
// on by itself and is reaped when it ends. exitCode is 128 + the signal for a
// child killed by one.
void RunProcess(const std::vector<std::wstring>& args, uint32_t waitSeconds, bool& launchFailed, bool& exited,
                uint32_t& exitCode);

// The arguments as one readable command line, for logs: arguments with blanks
// or quotes, or empty ones, are quoted.
std::wstring FormatCommandLine(const std::vector<std::wstring>& args);

// The log text of a finished start: "ran <command line>, res …". Shared with
// the crash path, which cannot call RunProcess.
void FormatRanLine(FixedText& out, const char* commandLine, bool created, int error, bool launchFailed,
                   bool exited, uint32_t exitCode);
