// Reports sent from threads of their own end before the next test: they read
// the test's clock and log.
#include "client/core/ReportThread.h"

#include <gtest/gtest.h>

extern "C" void MelvaneAfterEachTest() {
    EXPECT_TRUE(WaitForBackgroundReports(30000)) << "a report thread outlived its test by 30 s";
}
