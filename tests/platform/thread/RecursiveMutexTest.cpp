#include "platform/thread/RecursiveMutex.h"

#include <gtest/gtest.h>

#include <thread>

TEST(RecursiveMutexTest, HolderRelocksWhileOtherThreadsTimeOut) {
    platform::RecursiveMutex mutex;
    mutex.Lock();
    ASSERT_TRUE(mutex.TryLockFor(0));
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = mutex.TryLockFor(20); }).join();
    EXPECT_FALSE(otherGotIt);

    // Held twice: one unlock is not enough.
    mutex.Unlock();
    std::thread([&] { otherGotIt = mutex.TryLockFor(20); }).join();
    EXPECT_FALSE(otherGotIt);

    mutex.Unlock();
    std::thread([&] {
        otherGotIt = mutex.TryLockFor(60000);
        if (otherGotIt)
            mutex.Unlock();
    }).join();
    EXPECT_TRUE(otherGotIt);
}
