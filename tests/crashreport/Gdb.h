// Asks gdb, when this machine has it, what it makes of a core file, or runs a
// program under it.
#pragma once

#include "platform/process/FindProgram.h"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

inline bool HaveGdb() {
    return !platform::FindProgramInPath("gdb").empty();
}

// gdb's output (standard error included) for `commands`, with `tail` (the
// program and what goes with it, quoted for the shell) after them.
inline std::string GdbCommandOutput(std::initializer_list<const char*> commands, const std::string& tail) {
    std::string line = "gdb -nx -batch";
    for (const char* command : commands)
        line += std::string(" -ex '") + command + "'";
    line += tail + " 2>&1";
    std::string output;
    if (FILE* pipe = popen(line.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, got);
        pclose(pipe);
    }
    return output;
}

// gdb's output for `commands` run on `program` with `core`.
inline std::string GdbOutput(const std::string& program, const std::string& core,
                             std::initializer_list<const char*> commands) {
    return GdbCommandOutput(commands, " '" + program + "' '" + core + "'");
}

// gdb's output for `commands` given `program` to run with `args`.
inline std::string GdbRunOutput(const std::string& program, const std::vector<std::string>& args,
                                std::initializer_list<const char*> commands) {
    std::string tail = " --args '" + program + "'";
    for (const std::string& arg : args)
        tail += " '" + arg + "'";
    return GdbCommandOutput(commands, tail);
}

} // namespace testsupport
