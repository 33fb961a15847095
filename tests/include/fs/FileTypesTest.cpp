#include "include/fs/FileTypes.h"

#include <gtest/gtest.h>

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
