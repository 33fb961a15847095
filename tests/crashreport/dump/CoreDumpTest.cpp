#include "crashreport/MiniDump.h"
#include "crashreport/dump/ThreadRegisters.h"
#include "tests/crashreport/CoreFile.h"
#include "tests/crashreport/Gdb.h"
#include "tests/crashreport/VictimProcess.h"
#include "tests/support/CrashVictim.h"
#include "tests/support/Gunzip.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testsupport;

TEST(CoreDumpTest, VictimCoreHoldsEveryThreadTheCrashedOneFirstAndTheHeap) {
    VictimProcess victim;
    ASSERT_TRUE(victim.Ready());
    if (!victim.CanBeTraced())
        GTEST_SKIP() << "ptrace is refused here: reports go without a dump";
    TempDir dir;
    ReportFolder folder;
    ASSERT_TRUE(folder.Create(dir.Path()));

    const std::string gz = WriteMiniDump(folder, victim.Pid(), victim.Thread(1), victim.RecordAddress());
    ASSERT_FALSE(gz.empty());
    EXPECT_TRUE(victim.Answers()) << "a thread was left stopped";

    std::string core;
    ASSERT_TRUE(Gunzip(ReadFileText(gz), core));
    CoreFile file;
    ASSERT_TRUE(file.Parse(core));
    std::vector<pid_t> threads = file.ThreadIds();
    ASSERT_EQ(3u, threads.size());
    EXPECT_EQ(victim.Thread(1), threads[0]);
    EXPECT_EQ(kRecordInstruction, InstructionPointerOf(file.Registers()[0])) << "not the record's registers";
    std::sort(threads.begin(), threads.end());
    std::vector<pid_t> expected{victim.Thread(0), victim.Thread(1), victim.Thread(2)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, threads);
    EXPECT_EQ(kHeapMarker, file.MemoryAt(victim.MarkerAddress(), sizeof kHeapMarker - 1));
    for (uint32_t type : {NT_PRPSINFO, NT_SIGINFO, NT_AUXV, NT_FILE})
        EXPECT_TRUE(file.HasNote(type)) << type;

    if (!HaveGdb())
        return;
    WriteFileText(dir.File("core"), core);
    const std::string gdb = GdbOutput(MELVANE_CRASH_VICTIM, dir.File("core"), {"info threads"});
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(std::string::npos, gdb.find("LWP " + std::to_string(victim.Thread(i)))) << gdb;
}

TEST(CoreDumpTest, AThreadThatCouldNotStopIsLetGoWhenItsWaitEnds) {
    VictimProcess victim("stall");
    ASSERT_TRUE(victim.Ready());
    ASSERT_TRUE(WaitUntil([&] { return victim.ThreadState(2) == 'D'; })) << "the third thread never waited";
    TempDir dir;
    ReportFolder folder;
    ASSERT_TRUE(folder.Create(dir.Path()));

    const std::string gz = WriteMiniDump(folder, victim.Pid(), victim.Thread(1), 0);
    if (gz.empty() && !VictimProcess().CanBeTraced())
        GTEST_SKIP() << "ptrace is refused here: reports go without a dump";
    ASSERT_FALSE(gz.empty());
    ASSERT_TRUE(victim.Poke());
    EXPECT_EQ("woke", victim.ReadLine()) << "the thread froze at a stop nobody lets go";
}
