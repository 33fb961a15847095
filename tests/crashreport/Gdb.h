// Asks gdb, when this machine has it, what it makes of a core file.
#pragma once

#include "platform/process/FindProgram.h"

#include <cstdio>
#include <initializer_list>
#include <string>

namespace testsupport {

inline bool HaveGdb() {
    return !platform::FindProgramInPath("gdb").empty();
}

// gdb's output (standard error included) for `commands` run on `program`
// with `core`.
inline std::string GdbOutput(const std::string& program, const std::string& core,
                             std::initializer_list<const char*> commands) {
    std::string line = "gdb -nx -batch";
    for (const char* command : commands)
        line += std::string(" -ex '") + command + "'";
    line += " '" + program + "' '" + core + "' 2>&1";
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

} // namespace testsupport
