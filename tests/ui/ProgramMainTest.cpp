#include "ui/ProgramMain.h"
#include "tests/support/ManualClock.h"
#include "ui/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Calls {
    int fingerprint = 0;
    int runUi = 0;
    int showFolders = 0;
    std::vector<uint32_t> sleeps;
};

int RunProgram(const std::vector<const char*>& argv, Calls& calls) {
    ProgramEntries entries;
    entries.fingerprintChild = [&calls] {
        ++calls.fingerprint;
        return 7;
    };
    entries.runUi = [&calls](const std::wstring&) {
        ++calls.runUi;
        return 32774;
    };
    entries.showFolders = [&calls] {
        ++calls.showFolders;
        return 3;
    };
    entries.sleepMs = [&calls](uint32_t ms) { calls.sleeps.push_back(ms); };
    return ProgramMain(CommandLineFromArgs(static_cast<int>(argv.size()), argv.data()), entries);
}

TEST(ProgramMainTest, ModeTable) {
    struct Case {
        std::vector<const char*> argv;
        int code;
        int fingerprint;
        int runUi;
        int showFolders;
    };
    const Case cases[] = {
        {{"/opt/melvane/Melvane"}, 32774, 0, 1, 0},
        {{"Melvane", "/installCheck"}, 100, 0, 0, 0},
        {{"Melvane", "/fp", "x/installCheck"}, 100, 0, 0, 0},
        {{"Melvane", "/fp"}, 0, 1, 0, 0},
        {{"Melvane", "--mode=/fpx"}, 0, 1, 0, 0},
        // The program's own path never counts as a switch.
        {{"/home/fp/fp/Melvane/fp"}, 32774, 0, 1, 0},
        {{"/tmp/installCheck/Melvane"}, 32774, 0, 1, 0},
        {{"Melvane", "/installed"}, 32774, 0, 1, 0},
        {{"Melvane", "/INSTALLCHECK"}, 32774, 0, 1, 0},
        {{"Melvane", "/showFolders"}, 3, 0, 0, 1},
        {{"Melvane", "/startup", "/showFolders"}, 3, 0, 0, 1},
        {{"Melvane", "/installCheck", "/showFolders"}, 100, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Calls calls;
        EXPECT_EQ(c.code, RunProgram(c.argv, calls)) << c.argv.back();
        EXPECT_EQ(c.fingerprint, calls.fingerprint) << c.argv.back();
        EXPECT_EQ(c.runUi, calls.runUi) << c.argv.back();
        EXPECT_EQ(c.showFolders, calls.showFolders) << c.argv.back();
        EXPECT_TRUE(calls.sleeps.empty()) << c.argv.back();
    }
}

TEST(ProgramMainTest, CommandLineLeavesOutTheProgramPath) {
    const char* argv[] = {"/usr/bin/Melvane", "/startup", "two words"};
    EXPECT_EQ(L"/startup two words", CommandLineFromArgs(3, argv));
    EXPECT_EQ(L"", CommandLineFromArgs(1, argv));
}

TEST(ProgramMainTest, StartupWaitsInTenSecondStepsUntilFiveMinutesOfUptime) {
    testsupport::ManualClock clock(1700000000000LL, 240000);
    Calls calls;
    ProgramEntries entries;
    entries.runUi = [&](const std::wstring& line) {
        EXPECT_GE(clock.MonotonicMs(), 300000u);
        EXPECT_EQ(L"/startup", line);
        return 0;
    };
    entries.sleepMs = [&](uint32_t ms) {
        calls.sleeps.push_back(ms);
        clock.Advance(ms);
    };
    EXPECT_EQ(0, ProgramMain(L"/startup", entries));
    EXPECT_EQ(std::vector<uint32_t>(6, 10000), calls.sleeps);
}

TEST(ProgramMainTest, StartupOnAMachineUpLongEnoughDoesNotWait) {
    testsupport::ManualClock clock(1700000000000LL, 300001);
    Calls calls;
    EXPECT_EQ(32774, RunProgram({"Melvane", "/startup"}, calls));
    EXPECT_TRUE(calls.sleeps.empty());
    // Without the switch nothing waits either.
    testsupport::ManualClock early(1700000000000LL, 1000);
    EXPECT_EQ(32774, RunProgram({"Melvane"}, calls));
    EXPECT_TRUE(calls.sleeps.empty());
}

} // namespace
