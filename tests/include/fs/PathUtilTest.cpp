#include "include/fs/PathUtil.h"

#include "include/fs/FileCmds.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteFileText;

namespace {

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

} // namespace

TEST(PathUtilTest, JoinPutsExactlyOneSlashBetweenTheParts) {
    EXPECT_EQ(L"/music/a.mp3", PathJoin(L"/music", L"/a.mp3"));
    EXPECT_EQ(L"/music/a.mp3", PathJoin(L"/music/", L"a.mp3"));
    EXPECT_EQ(L"/music/a.mp3", PathJoin(L"/music", L"a.mp3"));
    EXPECT_EQ(L"/a", PathJoin(L"", L"a"));
    EXPECT_EQ(L"/a", PathJoin(L"/", L"a"));
    EXPECT_EQ(L"/music/", PathJoin(L"/music", L""));
}

TEST(PathUtilTest, SplitPathNeedsASlashAfterTheFirstCharacter) {
    std::wstring dir = L"untouched", name = L"untouched";
    EXPECT_FALSE(SplitPath(L"/file", dir, name));
    EXPECT_FALSE(SplitPath(L"file", dir, name));
    EXPECT_FALSE(SplitPath(L"", dir, name));
    EXPECT_EQ(L"untouched", dir);
    EXPECT_EQ(L"untouched", name);

    ASSERT_TRUE(SplitPath(L"/x/y.mp3", dir, name));
    EXPECT_EQ(L"/x", dir);
    EXPECT_EQ(L"y.mp3", name);
    ASSERT_TRUE(SplitPath(L"/x/y/", dir, name));
    EXPECT_EQ(L"/x/y", dir);
    EXPECT_EQ(L"", name);
}

TEST(PathUtilTest, SplitUrlPathAllowsALeadingSlash) {
    std::wstring head = L"untouched", tail = L"untouched";
    EXPECT_FALSE(SplitUrlPath(L"noslash", head, tail));
    EXPECT_EQ(L"untouched", head);
    ASSERT_TRUE(SplitUrlPath(L"/a", head, tail));
    EXPECT_EQ(L"", head);
    EXPECT_EQ(L"a", tail);
    ASSERT_TRUE(SplitUrlPath(L"/user/home.php", head, tail));
    EXPECT_EQ(L"/user", head);
    EXPECT_EQ(L"home.php", tail);
}

TEST(PathUtilTest, PathsCompareCaseSensitivelyAndRelativeMeansNoLeadingSlash) {
    EXPECT_NE(0, PathCompare(L"/Music/a", L"/music/a"));
    EXPECT_EQ(0, PathCompare(L"/music/a", L"/music/a"));
    EXPECT_EQ(-1, PathCompare(L"/a", L"/b"));
    EXPECT_EQ(1, PathCompare(L"/b/c", L"/b"));
    EXPECT_TRUE(IsRelativePath(L""));
    EXPECT_TRUE(IsRelativePath(L"a/b"));
    EXPECT_TRUE(IsRelativePath(L"./a"));
    EXPECT_FALSE(IsRelativePath(L"/a"));
}

TEST(PathUtilTest, SafeFileNamesAreSingleOrdinaryElements) {
    for (const wchar_t* bad : {L"", L".", L"..", L"a/b", L"/a", L"a\nb", L"tab\there", L"del\x7f", L"a\\b",
                               L"..\\x", L"nel\u0085", L"c1\u0080", L"c1\u009f"})
        EXPECT_FALSE(IsSafeFileName(bad)) << WideToUtf8(bad);
    for (const wchar_t* good :
         {L"a", L"...", L"..a", L"mv-1-2.temp", L"caf\u00e9 song.mp3", L"nbsp\u00a0", L"\u007e"})
        EXPECT_TRUE(IsSafeFileName(good)) << WideToUtf8(good);
}

TEST(PathUtilTest, TempFilesLiveInAPrivateFolderUnderTheCacheHome) {
    TempDir dir;
    ScopedEnv cache("XDG_CACHE_HOME", dir.File("cache"));
    const std::wstring path = GetTempFilePath(L"mv-1-2.temp");
    EXPECT_EQ(dir.WFile("cache/Melvane/tmp/mv-1-2.temp"), path);
    EXPECT_EQ(0700u, ModeOf(dir.File("cache/Melvane")));
    EXPECT_EQ(0700u, ModeOf(dir.File("cache/Melvane/tmp")));
    EXPECT_FALSE(fileExists(path)) << "only the folder is made";
    // Asking again reuses the folder.
    EXPECT_EQ(dir.WFile("cache/Melvane/tmp/other"), GetTempFilePath(L"other"));
}

TEST(PathUtilTest, TempFileNamesThatAreNotPlainNamesAreRefused) {
    TempDir dir;
    ScopedEnv cache("XDG_CACHE_HOME", dir.File("cache"));
    testsupport::CapturedLog log;
    for (const wchar_t* bad : {L"", L".", L"..", L"a/b", L"../escape"})
        EXPECT_EQ(L"", GetTempFilePath(bad)) << WideToUtf8(bad);
    EXPECT_TRUE(log.Contains("(ERR): Refusing temporary file name ../escape\n")) << log.Text();
    EXPECT_FALSE(pathExists(dir.WFile("cache"))) << "nothing is created for a refused name";
}

TEST(PathUtilTest, CacheHomeFallsBackToTheHomeFolderWhenUnsetOrRelative) {
    TempDir dir;
    ScopedEnv home("HOME", dir.Path());
    ScopedEnv cache("XDG_CACHE_HOME", "relative/cache");
    EXPECT_EQ(dir.WFile(".cache/Melvane/tmp/x"), GetTempFilePath(L"x"));
}

TEST(PathUtilTest, AppDataFolderIsMadePrivateUnderTheDataHome) {
    TempDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.File("data"));
    EXPECT_EQ(dir.WFile("data/Melvane"), GetAppDataDir());
    EXPECT_EQ(0700u, ModeOf(dir.File("data/Melvane")));
    EXPECT_EQ(dir.WFile("data/Melvane/log"), GetAppDataLogPath());
    EXPECT_EQ(L"/some/dir/log", GetLogFilePath(L"/some/dir"));
}

TEST(PathUtilTest, MusicFolderComesFromUserDirsWithHomeExpanded) {
    TempDir dir;
    ScopedEnv home("HOME", dir.File("home"));
    ScopedEnv config("XDG_CONFIG_HOME", dir.File("config"));
    ASSERT_TRUE(createDirs(dir.WFile("config/")));
    // Without a user-dirs file: the conventional name under the home folder.
    EXPECT_EQ(dir.WFile("home/Music"), GetSpecialFolderPath(CSIDL_MYMUSIC));

    WriteFileText(dir.File("config/user-dirs.dirs"), "# written by xdg-user-dirs-update\n"
                                                     "XDG_DESKTOP_DIR=\"$HOME/Desk\"\n"
                                                     "XDG_MUSIC_DIR=\"$HOME/My Tunes\"\n");
    EXPECT_EQ(dir.WFile("home/My Tunes"), GetSpecialFolderPath(CSIDL_MYMUSIC));
    EXPECT_EQ(dir.WFile("home/Desk"), GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY));
    EXPECT_EQ(dir.WFile("home/Documents"), GetSpecialFolderPath(CSIDL_PERSONAL));
    EXPECT_EQ(dir.WFile("home"), GetSpecialFolderPath(CSIDL_PROFILE));
}

TEST(PathUtilTest, UnknownSpecialFolderIsEmptyAndLogged) {
    testsupport::CapturedLog log;
    EXPECT_EQ(L"", GetSpecialFolderPath(999));
    EXPECT_TRUE(log.Contains("(ERR): SHGetSpecialFolderLocation failed, err 999\n")) << log.Text();
}

TEST(PathUtilTest, RemoveFileReportsWhetherAFileWasDeleted) {
    TempDir dir;
    WriteFileText(dir.File("f"), "x");
    EXPECT_TRUE(RemoveFile(dir.WFile("f")));
    EXPECT_FALSE(RemoveFile(dir.WFile("f")));
}
