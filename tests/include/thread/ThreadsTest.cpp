#include "include/thread/Threads.h"

#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

using testsupport::WaitUntil;

namespace {

// A thread procedure's view of the test: it blocks on a pipe until released.
struct Gate {
    Gate() { (void)!pipe2(fds, O_CLOEXEC); }
    ~Gate() {
        close(fds[0]);
        close(fds[1]);
    }
    void Wait() {
        char c;
        (void)!read(fds[0], &c, 1);
    }
    void Open() { (void)!write(fds[1], "x", 1); }

    int fds[2] = {-1, -1};
    std::atomic<bool> finished{false};
    std::atomic<int> threadId{0};
};

void WaitAtGate(void* argument) {
    auto* gate = static_cast<Gate*>(argument);
    gate->threadId = GetCurrentThreadIdValue();
    gate->Wait();
    gate->finished = true;
}

void EndEarly(void* argument) {
    auto* gate = static_cast<Gate*>(argument);
    gate->finished = true;
    EndThread();
}

} // namespace

TEST(ThreadsTest, WaitTimesOutWhileTheThreadRunsAndSucceedsOnceItEnds) {
    Gate gate;
    ThreadHandle thread;
    ASSERT_TRUE(StartThread(WaitAtGate, &gate, &thread));
    EXPECT_FALSE(WaitThread(thread, 20));
    EXPECT_FALSE(gate.finished);
    gate.Open();
    EXPECT_TRUE(WaitThread(thread, testsupport::kWaitTimeout.count()));
    EXPECT_TRUE(gate.finished);
    EXPECT_TRUE(WaitThread(thread, 0)) << "an ended thread stays ended";
    EXPECT_NE(GetCurrentThreadIdValue(), gate.threadId.load());
    EXPECT_EQ(static_cast<int>(syscall(SYS_gettid)), GetCurrentThreadIdValue());
}

TEST(ThreadsTest, EndThreadReleasesWaiters) {
    Gate gate;
    ThreadHandle thread;
    ASSERT_TRUE(StartThread(EndEarly, &gate, &thread));
    EXPECT_TRUE(WaitThread(thread, testsupport::kWaitTimeout.count()));
    EXPECT_TRUE(gate.finished);
}

TEST(ThreadsTest, ThreadWithoutAHandleRunsToItsEnd) {
    for (bool keepHandleFirst : {true, false}) {
        Gate gate;
        ThreadHandle thread;
        ASSERT_TRUE(StartThread(WaitAtGate, &gate, keepHandleFirst ? &thread : nullptr));
        CloseThreadHandle(&thread);
        EXPECT_EQ(nullptr, thread);
        EXPECT_TRUE(WaitThread(thread, 0)) << "nothing to wait for";
        gate.Open();
        EXPECT_TRUE(WaitUntil([&] { return gate.finished.load(); }))
            << "the thread never ran to its end, handle kept first: " << keepHandleFirst;
    }
}
