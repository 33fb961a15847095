#include "platform/system/CrashSignals.h"

#include <sys/mman.h>

#include <cstddef>

namespace platform {
namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr size_t kMainSignalStackSize = 64 * 1024;

bool GiveMainThreadSignalStack() noexcept {
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE))
        return true;
    void* stack = mmap(nullptr, kMainSignalStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (stack == MAP_FAILED)
        return false;
    stack_t ss{};
    ss.ss_sp = stack;
    ss.ss_size = kMainSignalStackSize;
    return sigaltstack(&ss, nullptr) == 0;
}

} // namespace

bool InstallCrashSignalHandler(CrashSignalHandler handler) noexcept {
    bool ok = GiveMainThreadSignalStack();
    struct sigaction action{};
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signo : kCrashSignals)
        ok = sigaction(signo, &action, nullptr) == 0 && ok;
    return ok;
}

void DieBySignal(int signo) noexcept {
    struct sigaction action{};
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
