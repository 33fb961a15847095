// The general registers of a stopped thread, in the layout a core file's
// NT_PRSTATUS note carries.
#pragma once

#include <sys/types.h>
#include <sys/user.h>
#include <ucontext.h>

#include <cstdint>

using ThreadRegs = user_regs_struct;

// The registers of the ptrace-stopped thread `tid`.
[[nodiscard]] bool ReadThreadRegisters(pid_t tid, ThreadRegs& regs) noexcept;

// Replaces the registers a signal handler's context saved at the fault; the
// rest (segment bases) stay as read from the thread.
void ApplySignalContext(const ucontext_t& context, ThreadRegs& regs) noexcept;

uint64_t StackPointerOf(const ThreadRegs& regs) noexcept;
uint64_t InstructionPointerOf(const ThreadRegs& regs) noexcept;
