// Holds children of this process at a point of the test's choosing: while the
// gate is installed, this process's standard input is a pipe, which children
// inherit. A child that reads its standard input (the fake helper with
// MELVANE_FAKE_HELPER_WAIT_STDIN, or `read` in a shell) blocks there until
// the test releases the gate, however slowly the machine runs. A gate that
// goes, or a process that dies, releases its children too.
#pragma once

#include <fcntl.h>
#include <unistd.h>

namespace testsupport {

class StdinGate {
  public:
    StdinGate() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        m_savedStdin = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
        // dup2 leaves the copy on descriptor 0 inheritable.
        m_installed = dup2(fds[0], STDIN_FILENO) == STDIN_FILENO;
        if (m_installed)
            m_release = fds[1];
        else
            close(fds[1]);
        close(fds[0]);
    }
    ~StdinGate() {
        Release();
        Uninstall();
    }
    StdinGate(const StdinGate&) = delete;
    StdinGate& operator=(const StdinGate&) = delete;

    bool Ok() const { return m_release >= 0; }
    // Gives standard input back; children started so far stay held.
    void Uninstall() {
        if (!m_installed)
            return;
        m_installed = false;
        if (m_savedStdin >= 0) {
            dup2(m_savedStdin, STDIN_FILENO);
            close(m_savedStdin);
            m_savedStdin = -1;
        } else {
            close(STDIN_FILENO);
        }
    }
    // Lets every held child go: their standard input ends. Safe from any
    // thread and from a signal handler.
    void Release() {
        if (m_release >= 0) {
            close(m_release);
            m_release = -1;
        }
    }

  private:
    bool m_installed = false;
    int m_savedStdin = -1;
    int m_release = -1;
};

} // namespace testsupport
