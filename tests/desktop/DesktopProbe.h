// Runs melvane-desktop-probe for the tests under Xvfb.
#pragma once

#include "platform/process/Spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace desktoptest {

// Starts the probe with `args`, its output going to `outFile`; -1 on failure.
inline pid_t StartProbe(const std::vector<std::string>& args, const std::string& outFile = "/dev/null") {
    std::vector<std::string> copies = args;
    std::string program = MELVANE_DESKTOP_PROBE;
    std::vector<char*> argv{program.data()};
    for (std::string& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs the probe to its end; its exit code, or -1.
inline int RunProbe(const std::vector<std::string>& args, const std::string& outFile = "/dev/null") {
    const pid_t pid = StartProbe(args, outFile);
    int code = -1;
    if (pid <= 0 || platform::WaitProcess(pid, 30000, &code) != platform::WAIT_EXITED)
        return -1;
    return code;
}

} // namespace desktoptest
