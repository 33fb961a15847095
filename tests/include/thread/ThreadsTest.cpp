#include "include/thread/Threads.h"

#include "include/thread/Mutex.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <set>

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
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> afterEnd{false};
    std::atomic<int> threadId{0};
    Mutex* mutex = nullptr;
};

void WaitAtGate(void* argument) {
    auto* gate = static_cast<Gate*>(argument);
    gate->threadId = GetCurrentThreadIdValue();
    gate->started = true;
    gate->Wait();
    gate->finished = true;
}

void EndEarly(void* argument) {
    auto* gate = static_cast<Gate*>(argument);
    gate->finished = true;
    EndThread();
}

void LockTheMutex(void* argument) {
    auto* gate = static_cast<Gate*>(argument);
    gate->started = true;
    MutexLock lock(*gate->mutex);
    gate->finished = true;
}

} // namespace

TEST(ThreadsTest, WaitTimesOutWhileTheThreadRunsAndSucceedsOnceItEnds) {
    Gate gate;
    ThreadHandle thread;
    ASSERT_TRUE(StartThread(WaitAtGate, &gate, &thread));
    EXPECT_FALSE(WaitThread(thread, 20));
    EXPECT_FALSE(gate.finished);
    gate.Open();
    EXPECT_TRUE(WaitThread(thread, 60000));
    EXPECT_TRUE(gate.finished);
    EXPECT_TRUE(WaitThread(thread, 0)) << "an ended thread stays ended";
    EXPECT_NE(GetCurrentThreadIdValue(), gate.threadId.load());
    EXPECT_EQ(static_cast<int>(syscall(SYS_gettid)), GetCurrentThreadIdValue());
}

TEST(ThreadsTest, EndThreadReleasesWaiters) {
    Gate gate;
    ThreadHandle thread;
    ASSERT_TRUE(StartThread(EndEarly, &gate, &thread));
    EXPECT_TRUE(WaitThread(thread, 60000));
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

TEST(MutexTest, HolderMayLockAgainWhileOthersWait) {
    Mutex mutex;
    Gate gate;
    gate.mutex = &mutex;
    ThreadHandle thread;
    {
        MutexLock outer(mutex);
        MutexLock inner(mutex); // the same thread locks again
        ASSERT_TRUE(StartThread(LockTheMutex, &gate, &thread));
        ASSERT_TRUE(WaitUntil([&] { return gate.started.load(); })) << "the thread never started";
        EXPECT_FALSE(WaitThread(thread, 50));
        EXPECT_FALSE(gate.finished) << "the other thread got a held mutex";
    }
    EXPECT_TRUE(WaitThread(thread, 60000));
    EXPECT_TRUE(gate.finished);
}
