// Prints in client tests. The test program's own executable is no
// fingerprint child, so the whole program starts the built Melvane instead
// (ClientTestEnvironment.cpp); a test may point the runner at a stand-in for
// one scope.
#pragma once

#include "client/media/print/PrintRunner.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

class ScopedPrintChild {
  public:
    explicit ScopedPrintChild(const std::string& program, uint32_t deadlineMs = kPrintChildDeadlineMs) {
        SetPrintChildProgram(program, deadlineMs);
    }
    ~ScopedPrintChild() { SetPrintChildProgram(MELVANE_PROGRAM, kPrintChildDeadlineMs); }
    ScopedPrintChild(const ScopedPrintChild&) = delete;
    ScopedPrintChild& operator=(const ScopedPrintChild&) = delete;
};

// The key of every time step of a print text, in order.
inline std::vector<uint32_t> KeysOfPrint(const std::string& text) {
    std::istringstream runs(text);
    std::string run;
    std::vector<uint32_t> keys;
    while (runs >> run) {
        const size_t dash = run.find('-');
        const uint32_t key = static_cast<uint32_t>(std::stoul(run.substr(0, dash), nullptr, 16));
        keys.insert(keys.end(), std::stoul(run.substr(dash + 1), nullptr, 16), key);
    }
    return keys;
}

// The number of time steps a print text stands for: the sum of its counts.
inline unsigned StepsOfPrint(const std::string& text) {
    return static_cast<unsigned>(KeysOfPrint(text).size());
}

} // namespace testsupport
