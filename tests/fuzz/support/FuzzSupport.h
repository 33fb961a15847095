// What every fuzz target shares: start-up (LLVMFuzzerInitialize: the
// programs' locale, and the -write_seeds=DIR option that writes the target's
// seed inputs and exits) and the check that ends a run when a property of
// the code does not hold. A target defines Seeds and LLVMFuzzerTestOneInput.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzsupport {

// The target's seed inputs.
std::vector<std::string> Seeds();

[[noreturn]] void CheckFailed(const char* condition, const char* srcFile, int line);

// A file of this process ("<stem>-<pid><extension>") in the folder
// scripts/fuzz gives as TMPDIR, for targets that read files.
std::string ScratchPath(const std::string& stem, const std::string& extension);
void WriteFileBytes(const std::string& path, const uint8_t* data, size_t size);
// The bytes of a file, which is removed.
std::string TakeFileBytes(const std::string& path);

} // namespace fuzzsupport

// A broken property of the code under test: reported and ended with abort(),
// which libFuzzer records as a crash with its input.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::fuzzsupport::CheckFailed(#condition, __FILE__, __LINE__);                                      \
    } while (0)
