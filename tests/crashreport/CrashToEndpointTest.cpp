// A crash of a program with the foundation's crash handling, reported by the
// real uploader to a local endpoint.
#include "tests/crashreport/CoreFile.h"
#include "tests/crashreport/Gdb.h"
#include "tests/crashreport/MultipartParts.h"
#include "tests/crashreport/VictimProcess.h"
#include "tests/support/CrashVictim.h"
#include "tests/support/Gunzip.h"
#include "tests/support/LocalHttpEndpoint.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(CrashToEndpointTest, CrashEndsInAReportCarryingItsLogAndACoreOfTheCrash) {
    {
        VictimProcess probe;
        ASSERT_TRUE(probe.Ready());
        if (!probe.CanBeTraced())
            GTEST_SKIP() << "ptrace is refused here: reports go without a dump";
    }
    TempDir dir;
    LocalHttpEndpoint endpoint;
    endpoint.Enqueue(HttpAnswer::Status(200));
    ScopedEnv url("MELVANE_CRASH_URL", endpoint.Url("/api/crash.php"));
    ScopedEnv cache("XDG_CACHE_HOME", dir.File("cache"));

    std::vector<std::string> args = {MELVANE_CRASH_VICTIM, "crash", MELVANE_HELPER_PROGRAM, dir.Path()};
    int error = 0;
    const pid_t victim = platform::SpawnProcess(args, &error);
    ASSERT_GT(victim, 0) << error;
    int exitCode = 0;
    ASSERT_EQ(platform::WAIT_EXITED, platform::WaitProcess(victim, 60000, &exitCode));
    EXPECT_EQ(128 + SIGSEGV, exitCode);

    ASSERT_TRUE(endpoint.WaitForRequests(1));
    const RecordedRequest request = endpoint.Requests()[0];
    const auto parts = MultipartParts(request.body, BoundaryOf(request.Header("Content-Type")));
    ASSERT_EQ(8u, parts.size());
    EXPECT_EQ("Crash: b at 0x0", parts.at("summary"));
    std::string log, core;
    ASSERT_TRUE(Gunzip(parts.at("log.gz"), log));
    EXPECT_NE(std::string::npos, log.find(kVictimLogLine)) << log;
    ASSERT_TRUE(Gunzip(parts.at("dump.gz"), core)) << parts.at("dump.gz");
    CoreFile file;
    ASSERT_TRUE(file.Parse(core));
    EXPECT_EQ(3u, file.ThreadIds().size());

    if (!HaveGdb())
        return;
    WriteFileText(dir.File("core"), core);
    const std::string gdb = GdbOutput(MELVANE_CRASH_VICTIM, dir.File("core"), {"info sharedlibrary", "bt"});
    // The crashed frame, and the shared libraries found through the core's
    // relocated data.
    EXPECT_NE(std::string::npos, gdb.find("VictimCrashHere () at")) << gdb;
    EXPECT_NE(std::string::npos, gdb.find("libc.so")) << gdb;
}
