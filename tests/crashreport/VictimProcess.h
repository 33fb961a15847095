// The crash victim in its "hold" or "stall" mode, started for one test: its
// ids and addresses, and ways to check it still runs.
#pragma once

#include "crashreport/dump/StoppedTasks.h"
#include "crashreport/dump/TracerThread.h"
#include "platform/fs/UniqueFd.h"
#include "platform/process/Spawn.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace testsupport {

class VictimProcess {
  public:
    explicit VictimProcess(const char* mode = "hold") {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            return;
        m_stdin.Reset(in[1]);
        m_stdout.Reset(out[0]);
        platform::SpawnContext context(in[0], out[1]);
        char program[] = MELVANE_CRASH_VICTIM;
        char* const argv[] = {program, const_cast<char*>(mode), nullptr};
        int error = 0;
        m_pid = context.Spawn(program, argv, &error);
        close(in[0]);
        close(out[1]);
        unsigned long marker = 0, record = 0;
        if (m_pid > 0 && std::sscanf(ReadLine().c_str(), "%d %d %d %d %lu %lu", &m_processId, &m_tids[0],
                                     &m_tids[1], &m_tids[2], &marker, &record) == 6) {
            m_marker = marker;
            m_record = record;
        }
    }
    ~VictimProcess() {
        m_stdin.Reset();
        int code = 0;
        if (m_pid > 0 && platform::WaitProcess(m_pid, 10000, &code) != platform::WAIT_EXITED) {
            kill(m_pid, SIGKILL);
            (void)platform::WaitProcess(m_pid, 10000, &code);
        }
    }
    VictimProcess(const VictimProcess&) = delete;
    VictimProcess& operator=(const VictimProcess&) = delete;

    bool Ready() const { return m_record != 0; }
    pid_t Pid() const { return m_processId; }
    // The main thread, then the two others.
    pid_t Thread(int i) const { return m_tids[i]; }
    uint64_t MarkerAddress() const { return m_marker; }
    uint64_t RecordAddress() const { return m_record; }

    // Whether this process may trace the victim at all (containers may
    // refuse it); a test that needs tracing skips when not.
    bool CanBeTraced() const {
        return RunAsTracer([this] {
            StoppedTasks probe;
            return probe.Stop(m_processId);
        });
    }

    // True when the victim answers a poke, i.e. none of its threads is left
    // stopped.
    bool Answers() { return Poke() && ReadLine() == "alive"; }

    // Sends the victim a byte ("hold" answers it, "stall" ends its wait).
    bool Poke() { return write(m_stdin.Get(), "x", 1) == 1; }

    // The scheduler's state letter of thread `i` ('S', 'D', 't', ...); 0 when
    // it cannot be read.
    char ThreadState(int i) const {
        const std::string path =
            "/proc/" + std::to_string(m_processId) + "/task/" + std::to_string(m_tids[i]) + "/stat";
        const std::string stat = ReadFileText(path);
        const size_t end = stat.rfind(')');
        return end == std::string::npos || end + 2 >= stat.size() ? 0 : stat[end + 2];
    }

    // The next line the victim prints; "" when none comes in time.
    std::string ReadLine() {
        std::string line;
        char c;
        pollfd pfd{m_stdout.Get(), POLLIN, 0};
        while (poll(&pfd, 1, static_cast<int>(kWaitTimeout.count())) == 1 &&
               read(m_stdout.Get(), &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

  private:
    platform::UniqueFd m_stdin;
    platform::UniqueFd m_stdout;
    pid_t m_pid = -1;
    int m_processId = 0;
    int m_tids[3] = {};
    uint64_t m_marker = 0;
    uint64_t m_record = 0;
};

} // namespace testsupport
