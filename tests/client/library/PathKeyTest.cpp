#include "client/library/PathKey.h"
#include "client/library/FileTypes.h"

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

TEST(FileTypesTest, ExtensionTable) {
    struct {
        const wchar_t* name;
        bool music, mp3, m4a, playlist;
    } const cases[] = {
        {L".MP3", true, true, false, false},        // exactly 4 characters, in capitals
        {L"mp3", false, false, false, false},       // too short for an extension
        {L"song.mp3 ", false, false, false, false}, // a trailing blank
        {L"Song.M4a", true, false, true, false},
        {L"list.m3u", false, false, false, true},
        {L"LIST.M3U", false, false, false, true},
        {L"list.m3u8", false, false, false, false},   // the last 4 characters are "m3u8"
        {L"s\u00f6ng.Mp3", true, true, false, false}, // non-ASCII before the extension
        {L"song.wav", false, false, false, false},
        {L"", false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        EXPECT_EQ(c.music, isMusicFile(c.name));
        EXPECT_EQ(c.mp3, IsMp3File(c.name));
        EXPECT_EQ(c.m4a, IsM4aFile(c.name));
        EXPECT_EQ(c.playlist, IsPlaylistFile(c.name));
    }
}
