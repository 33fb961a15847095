#include "client/library/PathKey.h"

#include <gtest/gtest.h>

TEST(PathKeyTest, HashKnownAnswersAndOrders) {
    struct {
        const wchar_t* name;
        uint32_t dirId;
        uint32_t hash;
    } const cases[] = {
        {L"a.mp3", 1, 0x83721348u},
        {L"A.mp3", 1, 0x4E166B90u},
        {L"a.mp3", 2, 0x91C7BCA6u},
    };
    for (const auto& c : cases) {
        const PathKey key(c.name, c.dirId);
        EXPECT_EQ(c.hash, key.GetHash()) << c.dirId;
        EXPECT_EQ(c.hash, PathKey(key).GetHash());
    }

    const PathKeyLess less;
    // Directory ids are unsigned: 2 sorts before 0x80000000, whatever the names.
    EXPECT_TRUE(less(PathKey(L"z.mp3", 2), PathKey(L"a.mp3", 0x80000000u)));
    EXPECT_FALSE(less(PathKey(L"a.mp3", 0x80000000u), PathKey(L"z.mp3", 2)));
    // Names that differ only in case are two files on Linux, under both orders.
    const PathKey upper(L"A.mp3", 1), lower(L"a.mp3", 1);
    EXPECT_NE(less(upper, lower), less(lower, upper));
    EXPECT_NE(PathLessNoCase()(upper, lower), PathLessNoCase()(lower, upper));
    EXPECT_FALSE(less(lower, PathKey(L"a.mp3", 1)));
    EXPECT_FALSE(less(PathKey(L"a.mp3", 1), lower));
}
