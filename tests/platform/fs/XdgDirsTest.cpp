#include "platform/fs/XdgDirs.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::ScopedEnv;

namespace {

const char kUserDirs[] = "# This file is written by xdg-user-dirs-update\n"
                         "# If you want to change or add directories, just edit the line you're\n"
                         "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                         "  XDG_DOWNLOAD_DIR=\"/data/downloads\"\n"
                         "XDG_MUSIC_DIR=\"$HOME/My \\\"Best\\\" Music\"\n"
                         "XDG_MUSICAL_DIR=\"$HOME/wrong key\"\n"
                         "XDG_VIDEOS_DIR=$HOME/Videos\n"
                         "XDG_PICTURES_DIR=\"Pictures\"\n"
                         "XDG_TEMPLATES_DIR=\"$HOME/open\n"
                         "XDG_PUBLICSHARE_DIR=\"$HOME/\\$HOME and \\\\ \\`x\\`\"\n";

} // namespace

TEST(XdgDirsTest, UserDirsValuesExpandHomeAndUndoEscapes) {
    const std::string home = "/home/u";
    EXPECT_EQ("/home/u/Desktop", platform::ParseUserDirsValue(kUserDirs, "DESKTOP", home));
    EXPECT_EQ("/data/downloads", platform::ParseUserDirsValue(kUserDirs, "DOWNLOAD", home));
    EXPECT_EQ("/home/u/My \"Best\" Music", platform::ParseUserDirsValue(kUserDirs, "MUSIC", home));
    EXPECT_EQ("/home/u/$HOME and \\ `x`", platform::ParseUserDirsValue(kUserDirs, "PUBLICSHARE", home));
}

TEST(XdgDirsTest, MissingOrMalformedUserDirsValuesAreEmpty) {
    const std::string home = "/home/u";
    EXPECT_EQ("", platform::ParseUserDirsValue(kUserDirs, "DOCUMENTS", home)) << "absent";
    EXPECT_EQ("", platform::ParseUserDirsValue(kUserDirs, "VIDEOS", home)) << "not quoted";
    EXPECT_EQ("", platform::ParseUserDirsValue(kUserDirs, "PICTURES", home)) << "relative";
    EXPECT_EQ("", platform::ParseUserDirsValue(kUserDirs, "TEMPLATES", home)) << "no closing quote";
    EXPECT_EQ("", platform::ParseUserDirsValue("", "MUSIC", home));
}

TEST(XdgDirsTest, BaseDirectoriesComeFromAbsoluteVariablesOrTheHomeFolder) {
    testsupport::TempDir dir;
    ScopedEnv home("HOME", dir.Path());
    {
        ScopedEnv data("XDG_DATA_HOME", "/abs/data"), cache("XDG_CACHE_HOME", "/abs/cache"),
            config("XDG_CONFIG_HOME", "/abs/config"), runtime("XDG_RUNTIME_DIR", "/run/user/1");
        EXPECT_EQ("/abs/data", platform::DataHomeDir());
        EXPECT_EQ("/abs/cache", platform::CacheHomeDir());
        EXPECT_EQ("/abs/config", platform::ConfigHomeDir());
        EXPECT_EQ("/run/user/1", platform::RuntimeDir());
    }
    ScopedEnv data("XDG_DATA_HOME", "relative"), cache("XDG_CACHE_HOME", nullptr),
        config("XDG_CONFIG_HOME", ""), runtime("XDG_RUNTIME_DIR", "relative");
    EXPECT_EQ(dir.Path(), platform::HomeDir());
    EXPECT_EQ(dir.File(".local/share"), platform::DataHomeDir());
    EXPECT_EQ(dir.File(".cache"), platform::CacheHomeDir());
    EXPECT_EQ(dir.File(".config"), platform::ConfigHomeDir());
    EXPECT_EQ("", platform::RuntimeDir());
}

TEST(XdgDirsTest, UserDirReadsTheConfigFileOrFallsBackUnderHome) {
    testsupport::TempDir dir;
    ScopedEnv home("HOME", dir.File("home"));
    ScopedEnv config("XDG_CONFIG_HOME", dir.File("config"));
    EXPECT_EQ(dir.File("home/Music"), platform::UserDir("MUSIC", "Music"));
    std::filesystem::create_directories(dir.File("config"));
    testsupport::WriteFileText(dir.File("config/user-dirs.dirs"), kUserDirs);
    EXPECT_EQ(dir.File("home/My \"Best\" Music"), platform::UserDir("MUSIC", "Music"));
    EXPECT_EQ(dir.File("home/Documents"), platform::UserDir("DOCUMENTS", "Documents"));
}
