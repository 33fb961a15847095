#include "platform/system/CrashSignals.h"

#include "platform/system/SignalStack.h"

#include <cstddef>

namespace platform {
namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// The calling thread's alternate stack, kept for the life of the process.
void GiveCallingThreadSignalStack() noexcept {
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE))
        return;
    static ThreadSignalStack* stack = new ThreadSignalStack();
    (void)stack;
}

} // namespace

bool InstallCrashSignalHandler(CrashSignalHandler handler) noexcept {
    GiveCallingThreadSignalStack();
    bool ok = true;
    struct sigaction action {};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signo : kCrashSignals)
        ok = sigaction(signo, &action, nullptr) == 0 && ok;
    return ok;
}

void DieBySignal(int signo) noexcept {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signo, &action, nullptr);
    // Still blocked while the handler runs: delivered, and fatal, as it returns.
    raise(signo);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signo);
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
}

} // namespace platform
