#include "foldertree/shell/ShellAllocator.h"

#include <gtest/gtest.h>

using namespace pgv;

TEST(ShellAllocatorTest, HandlesAreNeverReusedAndUnknownOnesAreRefused) {
    ShellAllocator allocator;
    uint64_t first = allocator.Store({6, 0, 0x31, 0, 'a', 0, 0, 0});
    ASSERT_TRUE(allocator.Free(first));
    uint64_t second = allocator.Store({6, 0, 0x31, 0, 'b', 0, 0, 0});
    EXPECT_NE(second, first);
    ItemIdList found;
    EXPECT_FALSE(allocator.Find(first, &found));
    EXPECT_FALSE(allocator.Free(first));
    ASSERT_TRUE(allocator.Find(second, &found));
    EXPECT_EQ(found[4], 'b');

    uint64_t handle = 0;
    EXPECT_TRUE(HandleFromR8(12.0, &handle));
    EXPECT_EQ(handle, 12u);
    for (double bad : {-1.0, 0.5, 1e300, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(HandleFromR8(bad, &handle)) << bad;
}
