#include "foldertree/shell/ShellAllocator.h"

#include <gtest/gtest.h>

using namespace pgv;

TEST(ItemIdListTest, AcceptsOnlyWholeListsEndingAtTheTerminator) {
    struct Case {
        ItemIdList bytes;
        bool valid;
    };
    const Case cases[] = {
        {{0, 0}, true},
        {{3, 0, 'a', 0, 0}, true},
        {{3, 0, 'a', 4, 0, 'b', 'c', 0, 0}, true},
        {{}, false},
        {{0}, false},
        {{3, 0, 'a'}, false},          // no terminator
        {{3, 0, 'a', 0, 0, 7}, false}, // bytes after it
        {{9, 0, 'a', 0, 0}, false},    // entry runs past the end
        {{2, 0, 0, 0}, false},         // entry without content
        {{1, 0, 0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidItemIdList(c.bytes.data(), c.bytes.size()), c.valid) << c.bytes.size();
    EXPECT_EQ(ItemIdCount({3, 0, 'a', 4, 0, 'b', 'c', 0, 0}), 2u);
}

TEST(ShellAllocatorTest, HandlesAreNeverReusedAndUnknownOnesAreRefused) {
    ShellAllocator allocator;
    uint64_t first = allocator.Store({3, 0, 'a', 0, 0});
    ASSERT_TRUE(allocator.Free(first));
    uint64_t second = allocator.Store({3, 0, 'b', 0, 0});
    EXPECT_NE(second, first);
    ItemIdList found;
    EXPECT_FALSE(allocator.Find(first, &found));
    EXPECT_FALSE(allocator.Free(first));
    ASSERT_TRUE(allocator.Find(second, &found));
    EXPECT_EQ(found[2], 'b');

    uint64_t handle = 0;
    EXPECT_TRUE(HandleFromR8(12.0, &handle));
    EXPECT_EQ(handle, 12u);
    for (double bad : {-1.0, 0.5, 1e300, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(HandleFromR8(bad, &handle)) << bad;
}
