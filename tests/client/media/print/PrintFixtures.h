// Prints in client tests. The test program's own executable is no
// fingerprint child, so the whole program starts the built Melvane instead
// (ClientTestEnvironment.cpp); a test may point the runner at a stand-in for
// one scope.
#pragma once

#include "client/media/print/PrintRunner.h"

#include <sstream>
#include <string>

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

// The number of time steps a print text stands for: the sum of its counts.
inline unsigned StepsOfPrint(const std::string& text) {
    std::istringstream runs(text);
    std::string run;
    unsigned steps = 0;
    while (runs >> run)
        steps += static_cast<unsigned>(std::stoul(run.substr(run.find('-') + 1), nullptr, 16));
    return steps;
}

} // namespace testsupport
