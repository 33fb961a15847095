#include "client/server/LoginDigests.h"
#include "client/server/TransferStatusText.h"
#include "client/server/WirePath.h"

#include <gtest/gtest.h>

#include <string>

TEST(LoginDigestsTest, DigestsAreLowerHexMd5OfTheJoinedTexts) {
    EXPECT_EQ("187ef4436122d1cc2f40dc2b92f0eba0", SaltedDigest("a", "b"));
    EXPECT_EQ("77910ae6f1db193c865abaced630d0a1", PasswordDigest("secret"));
}

TEST(LoginDigestsTest, HelloCheckUsesTheNamePositionsByLength) {
    struct Case {
        const char* name;
        const char* ip;
        uint32_t expected;
    } cases[] = {
        {"", "10.0.0.1", 0},
        {"ab", "10.0.0.1", 0}, // too short and even
        {"ab", "", 0},
        {"abcd", "10.0.0.1", 98 * 99},              // even: position 1 only
        {"abc", "10.0.0.1", 98 * 99 + 46 * 47 + 1}, // odd: ip position 2 of an 8-byte ip
        {"abc", "1.2", 98 * 99},                    // ip too short
        {"abcde", "192.168.100.200",
         98 * 99 + (100 * 101 + 1) + (50 * 51 + 1) + (46 * 47 + 3) + (48 * 49 + 6)},
        {"abcdefghijklmno", "", 98 * 99 + (100 * 101 + 1) + (110 * 111 + 6)},
        {"abcdefghijklmn", "", 98 * 99 + (100 * 101 + 1)}, // 14 bytes: no position 13
        {"\xc3\xa9x", "", 169 * 170},                      // bytes are unsigned
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ComputeHelloCheck(c.name, c.ip)) << c.name << " / " << c.ip;
}

TEST(LoginDigestsTest, TransferStatusTextsCoverEveryCode) {
    EXPECT_STREQ("success", TransferStatusText(0));
    EXPECT_STREQ("got transfer info", TransferStatusText(3));
    EXPECT_STREQ("aborted", TransferStatusText(8));
    EXPECT_STREQ("hash diff", TransferStatusText(14));
    EXPECT_STREQ("move failed", TransferStatusText(16));
    EXPECT_STREQ("uits failed", TransferStatusText(17));
    EXPECT_STREQ("unknown", TransferStatusText(15));
    EXPECT_STREQ("unknown", TransferStatusText(-1));
}

TEST(LoginDigestsTest, WireFoldersUseBackslashes) {
    EXPECT_EQ(L"Artist/Album", WireDirToLocal(L"Artist\\Album"));
    EXPECT_EQ(L"", WireDirToLocal(L""));
}
