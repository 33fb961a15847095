#include "client/media/print/PrintRunner.h"

#include "client/media/PrintSource.h"
#include "include/io/Buf.h"
#include "include/io/BufStrings.h"
#include "include/log/Logger.h"
#include "include/thread/Mutex.h"
#include "platform/process/ChildPipe.h"
#include "platform/process/Spawn.h"
#include "platform/time/Clock.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

// The runner's lock (one child at a time per process) and the settings it
// guards. Never destroyed: a worker that shutdown stopped waiting for may
// still be inside GetPrintOutOfProc while the program's statics go.
struct Runner {
    Mutex mutex;
    std::string childProgram = kPrintChildSelf;
    uint32_t childDeadlineMs = kPrintChildDeadlineMs;
};

Runner& TheRunner() {
    static auto* runner = new Runner;
    return *runner;
}

// The reply's seconds come first; a reply of no more than them carries
// nothing.
constexpr int kPrintSecsBytes = 4;

struct ChildPipes {
    platform::UniqueFd stdinRead, stdinWrite;
    platform::UniqueFd stdoutRead, stdoutWrite;
};

bool MakePipes(ChildPipes& pipes) {
    if (platform::MakePipe(pipes.stdoutRead, pipes.stdoutWrite) != 0) {
        MVLOG(LOG_ERR, "StdoutRd CreatePipe");
        return false;
    }
    if (platform::MakePipe(pipes.stdinRead, pipes.stdinWrite) != 0) {
        MVLOG(LOG_ERR, "Stdin CreatePipe");
        return false;
    }
    return true;
}

// This process's environment with the parent's id for the child.
std::vector<char*> ChildEnvironment(std::string& parentEntry) {
    const std::string prefix = std::string(kPrintParentEnv) + "=";
    parentEntry = prefix + std::to_string(getpid());
    std::vector<char*> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (strncmp(*entry, prefix.c_str(), prefix.size()) != 0)
            entries.push_back(*entry);
    }
    entries.push_back(parentEntry.data());
    entries.push_back(nullptr);
    return entries;
}

pid_t StartChild(ChildPipes& pipes, const std::string& program) {
    char name[] = "Melvane";
    char mode[] = "/fp";
    static_assert(sizeof name == sizeof kPrintChildName && sizeof mode == sizeof kPrintChildSwitch);
    char* const argv[] = {name, mode, nullptr};
    std::string parentEntry;
    const std::vector<char*> envp = ChildEnvironment(parentEntry);
    platform::SpawnContext context(pipes.stdinRead.Get(), pipes.stdoutWrite.Get());
    int error = 0;
    const pid_t pid = context.Spawn(program.c_str(), argv, &error, envp.data());
    if (pid < 0)
        MVLOG(LOG_ERR, "CreateProcess");
    // Only the child keeps these ends: our copy of the output's write end
    // would hold off the end of file, our copy of the input's read end would
    // keep a write to a dead child from failing.
    pipes.stdinRead.Reset();
    pipes.stdoutWrite.Reset();
    return pid;
}

bool SendRequest(platform::UniqueFd& stdinWrite, Buf& request) {
    while (request.HasData()) {
        const long written = platform::WriteNoSigpipe(stdinWrite.Get(), request.GetReadPtr(),
                                                      static_cast<size_t>(request.GetNumUsedBytes()));
        MVLOG(LOG_INFO, "AfterWrite, ok: %u, numWritten: %u\n", written > 0 ? 1u : 0u,
              written > 0 ? static_cast<unsigned>(written) : 0u);
        if (written <= 0)
            return false;
        (void)request.Consume(written);
    }
    // The child sees the end of its input.
    stdinWrite.Reset();
    return true;
}

// Reads until end of file, a failure, a full buffer or the deadline; false
// only when the deadline passed.
bool ReadReply(platform::UniqueFd& stdoutRead, Buf& reply, uint64_t deadlineMs) {
    while (reply.HasSpace()) {
        const long n = platform::ReadUntil(stdoutRead.Get(), reply.GetWritePtr(),
                                           static_cast<size_t>(reply.GetNumFreeBytes()), deadlineMs);
        if (n > 0) {
            (void)reply.CommitWrite(n);
            continue;
        }
        return !(n < 0 && errno == ETIMEDOUT);
    }
    return true;
}

// Waits for the child's end until the deadline, then kills it; either way
// it is reaped.
void EndChild(pid_t pid, uint64_t deadlineMs) {
    if (pid <= 0)
        return;
    const uint64_t now = platform::SystemMonotonicMs();
    const uint32_t left = deadlineMs > now ? static_cast<uint32_t>(deadlineMs - now) : 0;
    int exitCode = 0;
    if (platform::WaitProcess(pid, left, &exitCode) == platform::WAIT_EXITED)
        return;
    MVLOG(LOG_ERR, "Print child %i still running at its deadline; killed", static_cast<int>(pid));
    kill(pid, SIGKILL);
    if (platform::WaitProcess(pid, kPrintChildDeadlineMs, &exitCode) != platform::WAIT_EXITED)
        platform::ReapInBackground(pid);
}

} // namespace

void SetPrintChildProgram(const std::string& program, uint32_t deadlineMs) {
    Runner& runner = TheRunner();
    MutexLock lock(runner.mutex);
    runner.childProgram = program.empty() ? kPrintChildSelf : program;
    runner.childDeadlineMs = program.empty() ? kPrintChildDeadlineMs : deadlineMs;
}

bool GetPrintOutOfProc(const std::wstring& path, std::string& print, uint32_t& printSecs) {
    Runner& runner = TheRunner();
    MutexLock lock(runner.mutex);
    MVLOG(LOG_INFO, "About to launch printer for %ls", path.c_str());
    print.clear();
    printSecs = 0;

    Buf request(kPrintRequestBytes);
    if (!request.WriteWString(path) || request.HasFailed()) {
        MVLOG(LOG_ERR, "Path of %zu characters does not fit the request", path.size());
        MVLOG(LOG_ERR, "Could not send request");
        return false;
    }
    ChildPipes pipes;
    if (!MakePipes(pipes)) {
        MVLOG(LOG_ERR, "Could not setup pipes for child proc");
        return false;
    }
    const uint64_t deadlineMs = platform::SystemMonotonicMs() + runner.childDeadlineMs;
    const pid_t pid = StartChild(pipes, runner.childProgram);

    // Without a child there is nobody to ask, and the reply is simply empty.
    if (pid > 0 && !SendRequest(pipes.stdinWrite, request)) {
        MVLOG(LOG_ERR, "Could not send request");
        EndChild(pid, 0);
        return false;
    }
    Buf reply(kPrintReplyReadBytes);
    const bool inTime = pid <= 0 || ReadReply(pipes.stdoutRead, reply, deadlineMs);
    EndChild(pid, inTime ? deadlineMs : 0);
    if (inTime && reply.GetNumUsedBytes() > kPrintSecsBytes) {
        printSecs = reply.ReadUInt32();
        print = TryReadString(reply);
    }
    MVLOG(LOG_INFO, "Result: %i, fp len: %i\n", 1, static_cast<int>(print.size()));
    return true;
}
