#include "platform/desktop/DefaultApps.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

TEST(DefaultAppsTest, ParsersReadDefaultsNamesAndTypes) {
    const std::string mimeApps =
        "[Added Associations]\naudio/mpeg=other.desktop;\n"
        "[Default Applications]\n# comment\naudio/mpeg = player.desktop; second.desktop\n";
    EXPECT_EQ((std::vector<std::string>{"player.desktop", "second.desktop"}),
              platform::ParseMimeAppsDefaults(mimeApps, "audio/mpeg"));
    EXPECT_TRUE(platform::ParseMimeAppsDefaults(mimeApps, "audio/mp4").empty());

    EXPECT_EQ("Music Player", platform::ParseDesktopEntryName(
                                  "[Desktop Action x]\nName=Other\n[Desktop Entry]\nName=Music Player\n"));
    EXPECT_EQ("audio/flac",
              platform::ParseMimeTypesFile("# x\naudio/flac\t\t\tflac\naudio/ogg oga ogg\n", "flac"));
    EXPECT_EQ("audio/ogg", platform::ParseMimeTypesFile("audio/ogg oga ogg\n", "ogg"));
    EXPECT_EQ("audio/mpeg", platform::MimeTypeOfExtension(".mp3"));
}

TEST(DefaultAppsTest, DefaultAppComesFromTheMimeAppsChain) {
    testsupport::TempDir home;
    mkdir(home.File("config").c_str(), 0755);
    mkdir(home.File("data").c_str(), 0755);
    mkdir(home.File("data/applications").c_str(), 0755);
    testsupport::WriteFileText(home.File("config/mimeapps.list"),
                               "[Default Applications]\naudio/mpeg=missing.desktop;player.desktop;\n");
    testsupport::WriteFileText(home.File("data/applications/player.desktop"),
                               "[Desktop Entry]\nType=Application\nName=Test Player\n");
    testsupport::ScopedEnv configHome("XDG_CONFIG_HOME", home.File("config"));
    testsupport::ScopedEnv configDirs("XDG_CONFIG_DIRS", home.File("none"));
    testsupport::ScopedEnv dataHome("XDG_DATA_HOME", home.File("data"));
    testsupport::ScopedEnv dataDirs("XDG_DATA_DIRS", home.File("none"));

    EXPECT_EQ("Test Player", platform::DefaultAppNameFor("audio/mpeg"));
    EXPECT_EQ("", platform::DefaultAppNameFor("audio/mp4"));
}
