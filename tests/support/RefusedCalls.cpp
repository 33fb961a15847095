#include "tests/support/RefusedCalls.h"

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {
namespace {

// Where the low 32 bits of a call's argument lie in seccomp_data.
uint32_t LowWordOf(int argument) {
    uint32_t offset = static_cast<uint32_t>(offsetof(seccomp_data, args) + 8 * argument);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    offset += 4;
#endif
    return offset;
}

// One block per refused call: the call's number, then its argument when
// one is named, and the error; a block that does not match jumps past its
// end to the next. Calls no block matches are allowed.
std::vector<sock_filter> FilterOf(const std::vector<RefusedCall>& refused) {
    std::vector<sock_filter> program;
    for (const RefusedCall& call : refused) {
        const bool byArgument = call.argument >= 0;
        const uint8_t blockRest = byArgument ? 4 : 1;
        program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
        program.push_back(
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<uint32_t>(call.number), 0, blockRest));
        if (byArgument) {
            program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, LowWordOf(call.argument)));
            program.push_back(BPF_STMT(BPF_ALU | BPF_AND | BPF_K, call.mask));
            program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call.value, 0, 1));
        }
        program.push_back(BPF_STMT(
            BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (static_cast<uint32_t>(call.error) & SECCOMP_RET_DATA)));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    return program;
}

} // namespace

int RunRefusing(const std::vector<RefusedCall>& refused, const std::function<int()>& work) {
    std::vector<sock_filter> filter = FilterOf(refused);
    pid_t child = fork();
    if (child == 0) {
        const sock_fprog program = {static_cast<unsigned short>(filter.size()), filter.data()};
        if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            _exit(kNoCallFilter);
        const int result = work();
        _exit(result >= 0 && result < kNoCallFilter ? result : kNoCallFilter - 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace testsupport
