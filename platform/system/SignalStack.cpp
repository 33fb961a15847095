#include "platform/system/SignalStack.h"

#include <signal.h>
#include <sys/mman.h>

namespace platform {
namespace {
constexpr size_t kSignalStackSize = 64 * 1024;
}

ThreadSignalStack::ThreadSignalStack() noexcept {
    void* stack = mmap(nullptr, kSignalStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (stack == MAP_FAILED)
        return;
    stack_t ss{};
    ss.ss_sp = stack;
    ss.ss_size = kSignalStackSize;
    if (sigaltstack(&ss, nullptr) != 0) {
        munmap(stack, kSignalStackSize);
        return;
    }
    m_stack = stack;
    m_size = kSignalStackSize;
}

ThreadSignalStack::~ThreadSignalStack() {
    if (!m_stack)
        return;
    stack_t ss{};
    ss.ss_flags = SS_DISABLE;
    sigaltstack(&ss, nullptr);
    munmap(m_stack, m_size);
}

} // namespace platform
