// Holds a flock on a file from another process, as a running copy of the
// program would, until the holder goes.
#pragma once

#include "tests/support/WaitUntil.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace uitest {

class LockHolder {
  public:
    explicit LockHolder(const std::string& path) {
        int ready[2];
        int release[2];
        if (pipe2(ready, O_CLOEXEC) != 0)
            return;
        if (pipe2(release, O_CLOEXEC) != 0) {
            close(ready[0]);
            close(ready[1]);
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls in the child of a threaded parent.
            close(ready[0]);
            close(release[1]);
            int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            char ok = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? '1' : '0';
            if (write(ready[1], &ok, 1) != 1)
                _exit(2);
            // Held until the release pipe ends: the holder goes, or this
            // whole test process does.
            char byte;
            while (read(release[0], &byte, 1) < 0 && errno == EINTR) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        m_release = release[1];
        pollfd answer{ready[0], POLLIN, 0};
        char ok = '0';
        m_locked = m_pid > 0 && poll(&answer, 1, static_cast<int>(testsupport::kWaitTimeout.count())) == 1 &&
                   read(ready[0], &ok, 1) == 1 && ok == '1';
        close(ready[0]);
    }
    ~LockHolder() {
        if (m_release >= 0)
            close(m_release);
        if (m_pid <= 0)
            return;
        int status = 0;
        if (!testsupport::WaitUntil([this, &status] { return waitpid(m_pid, &status, WNOHANG) == m_pid; })) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool Locked() const { return m_locked; }

  private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_locked = false;
};

} // namespace uitest
