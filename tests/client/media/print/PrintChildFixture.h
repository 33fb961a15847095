// The fingerprint child for client tests. Their own executable is no
// fingerprint child, so the whole program starts the built Melvane instead
// (ClientTestEnvironment.cpp); a test may point the runner at a stand-in for
// one scope.
#pragma once

#include "client/media/print/PrintRunner.h"

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

} // namespace testsupport
