// Stands in for the crash-report uploader in tests. Appends its arguments, one
// per line and a "--" line after them, to the file named by
// MELVANE_FAKE_HELPER_OUT. With MELVANE_FAKE_HELPER_WAIT_STDIN set it first
// waits until its standard input brings a byte or ends (a test holds it there
// with a StdinGate); MELVANE_FAKE_HELPER_SLEEP_MS makes it linger for a while
// instead. MELVANE_FAKE_HELPER_EXIT sets its exit code. It also notes whether
// the log file it was given exists, and any descriptor beyond 2 it inherited
// other than the program's ready pipe.
//
// The ready pipe: its end closes the pipe, which ends the program's wait with
// its exit code known. With MELVANE_FAKE_HELPER_LINGER set it says it has its
// copies once it has noted everything, then waits at its standard input as
// the real uploader goes on retrying an endpoint it cannot reach.
#include "platform/process/ReadyPipe.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void WaitForStdin() {
    char byte;
    while (read(STDIN_FILENO, &byte, 1) < 0 && errno == EINTR) {
    }
}

} // namespace

int main(int argc, char** argv) {
    platform::UniqueFd readyPipe = platform::TakeReadyPipe();
    if (std::getenv("MELVANE_FAKE_HELPER_WAIT_STDIN"))
        WaitForStdin();
    if (const char* sleepMs = std::getenv("MELVANE_FAKE_HELPER_SLEEP_MS"))
        usleep(static_cast<useconds_t>(std::atoi(sleepMs)) * 1000);
    const char* outPath = std::getenv("MELVANE_FAKE_HELPER_OUT");
    if (outPath) {
        std::string text;
        for (int i = 1; i < argc; ++i)
            text += std::string(argv[i]) + "\n";
        if (argc > 5)
            text += std::string("log-exists=") + (access(argv[5], F_OK) == 0 ? "1" : "0") + "\n";
        if (DIR* fds = opendir("/proc/self/fd")) {
            int self = dirfd(fds);
            while (dirent* entry = readdir(fds)) {
                int fd = std::atoi(entry->d_name);
                if (entry->d_name[0] != '.' && fd > 2 && fd != self && fd != readyPipe.Get())
                    text += "inherited-fd=" + std::to_string(fd) + "\n";
            }
            closedir(fds);
        }
        text += "--\n";
        if (FILE* out = std::fopen(outPath, "a")) {
            std::fputs(text.c_str(), out);
            std::fclose(out);
        }
    }
    if (std::getenv("MELVANE_FAKE_HELPER_LINGER")) {
        platform::SayReady(readyPipe);
        WaitForStdin();
    }
    const char* exitCode = std::getenv("MELVANE_FAKE_HELPER_EXIT");
    return exitCode ? std::atoi(exitCode) : 0;
}
