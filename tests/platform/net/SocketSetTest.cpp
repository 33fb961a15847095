#include "platform/net/SocketSet.h"

#include <gtest/gtest.h>

#include <vector>

using platform::SocketSet;

TEST(SocketSetTest, HoldsAtMost128DistinctSockets) {
    SocketSet set;
    for (int fd = 0; fd < SocketSet::kCapacity; ++fd)
        ASSERT_TRUE(set.Add(fd * 10));
    EXPECT_TRUE(set.IsFull());
    EXPECT_TRUE(set.Add(0)) << "a member may be entered again";
    EXPECT_FALSE(set.Add(5000));
    EXPECT_FALSE(set.Contains(5000));
    EXPECT_EQ(SocketSet::kCapacity, set.Count());

    set.Remove(10);
    EXPECT_TRUE(set.Add(5000));
    EXPECT_TRUE(set.Contains(5000));
    EXPECT_FALSE(set.Contains(10));
}

TEST(SocketSetTest, EntersEachSocketOnceAndKeepsOrder) {
    SocketSet set;
    EXPECT_FALSE(set.Add(-1));
    for (int fd : {7, 3, 7, 2000, 3})
        ASSERT_TRUE(set.Add(fd));
    set.Remove(3);
    set.Remove(42);
    EXPECT_EQ((std::vector<int>{7, 2000}), std::vector<int>(set.begin(), set.end()));
    set.Clear();
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_FALSE(set.Contains(7));
}
