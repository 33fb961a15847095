#include "include/system/SystemInfo.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <filesystem>

#include <gtest/gtest.h>

TEST(SystemInfoTest, ThisSystemIsDescribedInTheSameShape) {
    std::string text;
    ASSERT_TRUE(GetOsDescription(text));
    EXPECT_NE(std::string::npos, text.find(".b"));
    EXPECT_TRUE(text.size() > 8 && text.compare(text.size() - 8, 8, ", 64-bit") == 0) << text;
}

TEST(SystemInfoTest, DefaultAppNamesFromTheUsersOwnDesktopFilesAreCutTo256Characters) {
    testsupport::TempDir home;
    std::filesystem::create_directories(home.File("data/applications"));
    testsupport::WriteFileText(home.File("data/applications/mimeapps.list"),
                               "[Default Applications]\naudio/mpeg=long.desktop\n");
    std::string name;
    for (int i = 0; i < 20000; ++i)
        name += "\xC3\xA9"
                "a"; // two characters, three bytes
    testsupport::WriteFileText(home.File("data/applications/long.desktop"),
                               "[Desktop Entry]\nType=Application\nName=" + name + "\n");
    testsupport::ScopedEnv configHome("XDG_CONFIG_HOME", home.File("none"));
    testsupport::ScopedEnv configDirs("XDG_CONFIG_DIRS", home.File("none"));
    testsupport::ScopedEnv dataHome("XDG_DATA_HOME", home.File("data"));
    testsupport::ScopedEnv dataDirs("XDG_DATA_DIRS", home.File("none"));

    std::wstring app;
    ASSERT_TRUE(GetDefaultAppName(app, L".mp3"));
    std::wstring expected;
    for (int i = 0; i < 128; ++i)
        expected += L"\u00E9a";
    EXPECT_EQ(expected, app);
}

TEST(SystemInfoTest, TheMediaLibraryFileLiesInTheMusicFolderOrNowhere) {
    EXPECT_EQ(L"/home/u/Music/iTunes/iTunes Music Library.xml", ItunesLibraryPathIn(L"/home/u/Music"));
    EXPECT_EQ(L"", ItunesLibraryPathIn(L""));
}
