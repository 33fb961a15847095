// Melvane-Helper itself, run under gdb so that an assertion can be forced
// inside it.
#include "tests/crashreport/Gdb.h"
#include "tests/support/LocalHttpEndpoint.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

TEST(HelperProgramTest, AnAssertionInsideTheHelperStartsNoOtherHelper) {
    if (!HaveGdb())
        GTEST_SKIP() << "no gdb here to force an assertion with";
    TempDir dir;
    // Another helper would report the assertion here.
    LocalHttpEndpoint endpoint;
    endpoint.Serve("/api/crash.php", HttpAnswer::Status(200));
    ScopedEnv url("MELVANE_CRASH_URL", endpoint.Url("/api/crash.php"));
    ScopedEnv cache("XDG_CACHE_HOME", dir.File("cache"));
    // The report path never starts a helper from a program named like the
    // helper; under another name only the helper's own start guards it. A
    // copy under the helper's name beside it would be the other helper.
    std::filesystem::copy_file(MELVANE_HELPER_PROGRAM, dir.File("uploader"));
    std::filesystem::copy_file(MELVANE_HELPER_PROGRAM, dir.File("Melvane-Helper"));

    // Held at HelperMain, before it reports anything of its own.
    const std::string gdb =
        GdbRunOutput(dir.File("uploader"),
                     {"0", "0", "0", dir.File("Melvane"), dir.File("log"), "32768", "id", "Report: x"},
                     {"break HelperMain", "run", "call (bool)AssertFailed(L\"forced\", \"test\", 1)"});
    ASSERT_NE(std::string::npos, gdb.find("Breakpoint 1, HelperMain")) << gdb;
    // With a debugger attached the assertion ends in SIGTRAP, after its report.
    ASSERT_NE(std::string::npos, gdb.find("SIGTRAP")) << gdb;
    EXPECT_TRUE(endpoint.Requests().empty()) << "the assertion started another helper";
}
