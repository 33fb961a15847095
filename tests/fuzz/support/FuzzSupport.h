// What every fuzz target shares: start-up (LLVMFuzzerInitialize: the
// programs' locale, and the -write_seeds=DIR option that writes the target's
// seed inputs and exits) and the check that ends a run when a property of
// the code does not hold. A target defines Seeds and LLVMFuzzerTestOneInput.
#pragma once

#include <string>
#include <vector>

namespace fuzzsupport {

// The target's seed inputs.
std::vector<std::string> Seeds();

[[noreturn]] void CheckFailed(const char* condition, const char* srcFile, int line);

} // namespace fuzzsupport

// A broken property of the code under test: reported and ended with abort(),
// which libFuzzer records as a crash with its input.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::fuzzsupport::CheckFailed(#condition, __FILE__, __LINE__);                                      \
    } while (0)
