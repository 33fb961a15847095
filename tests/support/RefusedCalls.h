// Work run in a forked child whose kernel refuses chosen system calls (a
// seccomp filter): the file systems and failures a test cannot make for
// real, such as one that refuses a flag or takes two names for one.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace testsupport {

// A call the child's kernel answers with `error` instead of running it:
// every call of `number` (a SYS_ constant), or with `argument` 0 to 5 only
// those whose argument, its low 32 bits masked with `mask`, equals `value`.
struct RefusedCall {
    long number;
    int error;
    int argument = -1;
    uint32_t mask = 0;
    uint32_t value = 0;
};

// The child's status when the filter could not be set.
constexpr int kNoCallFilter = 255;

// Runs `work` in a child that refuses the calls in `refused`. The child's
// exit status: `work`'s result (0 to 254), kNoCallFilter, or -1 when the
// child did not exit.
int RunRefusing(const std::vector<RefusedCall>& refused, const std::function<int()>& work);

} // namespace testsupport
