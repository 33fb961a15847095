#include "crashreport/dump/ThreadRegisters.h"

#include <elf.h>
#include <sys/ptrace.h>
#include <sys/uio.h>

#include <cstring>

bool ReadThreadRegisters(pid_t tid, ThreadRegs& regs) noexcept {
    iovec vec{&regs, sizeof regs};
    return ptrace(PTRACE_GETREGSET, tid, reinterpret_cast<void*>(NT_PRSTATUS), &vec) == 0 &&
           vec.iov_len == sizeof regs;
}

#if defined(__x86_64__)

void ApplySignalContext(const ucontext_t& context, ThreadRegs& regs) noexcept {
    const greg_t* g = context.uc_mcontext.gregs;
    regs.r8 = g[REG_R8];
    regs.r9 = g[REG_R9];
    regs.r10 = g[REG_R10];
    regs.r11 = g[REG_R11];
    regs.r12 = g[REG_R12];
    regs.r13 = g[REG_R13];
    regs.r14 = g[REG_R14];
    regs.r15 = g[REG_R15];
    regs.rdi = g[REG_RDI];
    regs.rsi = g[REG_RSI];
    regs.rbp = g[REG_RBP];
    regs.rbx = g[REG_RBX];
    regs.rdx = g[REG_RDX];
    regs.rax = g[REG_RAX];
    regs.rcx = g[REG_RCX];
    regs.rsp = g[REG_RSP];
    regs.rip = g[REG_RIP];
    regs.eflags = g[REG_EFL];
    // No system call was under way at a fault.
    regs.orig_rax = static_cast<unsigned long long>(-1);
}

uint64_t StackPointerOf(const ThreadRegs& regs) noexcept {
    return regs.rsp;
}

uint64_t InstructionPointerOf(const ThreadRegs& regs) noexcept {
    return regs.rip;
}

#elif defined(__aarch64__)

void ApplySignalContext(const ucontext_t& context, ThreadRegs& regs) noexcept {
    const mcontext_t& m = context.uc_mcontext;
    std::memcpy(regs.regs, m.regs, sizeof regs.regs);
    regs.sp = m.sp;
    regs.pc = m.pc;
    regs.pstate = m.pstate;
}

uint64_t StackPointerOf(const ThreadRegs& regs) noexcept {
    return regs.sp;
}

uint64_t InstructionPointerOf(const ThreadRegs& regs) noexcept {
    return regs.pc;
}

#else
#error "Core dumps are written for x86-64 and AArch64 only"
#endif
