// Set-up for the whole client test program: fingerprints are asked of the
// built program, never of this test program started again.
#include "client/media/print/PrintRunner.h"

#include <gtest/gtest.h>

namespace {

class ClientTestEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { SetPrintChildProgram(MELVANE_PROGRAM, kPrintChildDeadlineMs); }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ClientTestEnvironment);

} // namespace
