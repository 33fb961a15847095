// Holds a flock on a file from another process, as a running copy of the
// program would, until the holder goes.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace uitest {

class LockHolder {
  public:
    explicit LockHolder(const std::string& path) {
        int ready[2];
        int release[2];
        if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(release, O_CLOEXEC) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls in the child of a threaded parent.
            close(ready[0]);
            close(release[1]);
            int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            char ok = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? '1' : '0';
            if (write(ready[1], &ok, 1) != 1)
                _exit(2);
            char byte;
            while (read(release[0], &byte, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        m_release = release[1];
        char ok = '0';
        m_locked = m_pid > 0 && read(ready[0], &ok, 1) == 1 && ok == '1';
        close(ready[0]);
    }
    ~LockHolder() {
        if (m_release >= 0)
            close(m_release);
        if (m_pid > 0) {
            int status = 0;
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
