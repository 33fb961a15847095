#include "include/system/SystemInfo.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace {

WindowsVersionInfo Version(uint32_t major, uint32_t minor, uint32_t build, uint8_t productType, uint16_t arch,
                           const char* servicePack = "") {
    WindowsVersionInfo info;
    info.major = major;
    info.minor = minor;
    info.build = build;
    info.platformId = kPlatformWin32Nt;
    info.productType = productType;
    info.architecture = arch;
    info.servicePack = servicePack;
    return info;
}

std::string Describe(const WindowsVersionInfo& info) {
    std::string text = "stale";
    EXPECT_TRUE(DescribeWindowsVersion(info, text));
    return text;
}

} // namespace

TEST(SystemInfoTest, WindowsDescriptionsFollowTheVersionTable) {
    EXPECT_EQ("6.1.b7601 Windows 7, 64-bit Service Pack 1",
              Describe(Version(6, 1, 7601, 1, 9, "Service Pack 1")));
    EXPECT_EQ("6.1.b7600 Windows Server 2008 R2, 32-bit", Describe(Version(6, 1, 7600, 3, 0)));
    EXPECT_EQ("5.1.b2600 Windows XP Professional Service Pack 3",
              Describe(Version(5, 1, 2600, 1, 0, "Service Pack 3")));
    EXPECT_EQ("6.2.b9200 ", Describe(Version(6, 2, 9200, 1, 9)));

    WindowsVersionInfo vista = Version(6, 0, 6002, 1, 0);
    vista.editionType = 2;
    EXPECT_EQ("6.0.b6002 Windows Vista Home Basic Edition, 32-bit", Describe(vista));
    vista.editionType = 5; // Home Basic N has no edition text
    vista.architecture = 9;
    EXPECT_EQ("6.0.b6002 Windows Vista , 64-bit", Describe(vista));

    WindowsVersionInfo xpHome = Version(5, 1, 2600, 1, 0);
    xpHome.suiteMask = 0x200;
    EXPECT_EQ("5.1.b2600 Windows XP Home Edition", Describe(xpHome));

    WindowsVersionInfo server2003 = Version(5, 2, 3790, 3, 9);
    server2003.suiteMask = 0x80;
    EXPECT_EQ("5.2.b3790 Windows Server 2003, Datacenter x64 Edition", Describe(server2003));
    server2003.architecture = 0;
    server2003.suiteMask = 0x400;
    EXPECT_EQ("5.2.b3790 Windows Server 2003, Web Edition", Describe(server2003));
    server2003.serverR2 = true;
    server2003.suiteMask = 0;
    EXPECT_EQ("5.2.b3790 Windows Server 2003 R2, Standard Edition", Describe(server2003));
    EXPECT_EQ("5.2.b3790 Windows XP Professional x64 Edition", Describe(Version(5, 2, 3790, 1, 9)));

    WindowsVersionInfo w2000 = Version(5, 0, 2195, 3, 0);
    w2000.suiteMask = 0x2;
    EXPECT_EQ("5.0.b2195 Windows 2000 Advanced Server", Describe(w2000));
}

TEST(SystemInfoTest, OldOrNonNtSystemsHaveNoDescription) {
    std::string text = "stale";
    EXPECT_FALSE(DescribeWindowsVersion(Version(4, 0, 1381, 1, 0), text));
    EXPECT_EQ("", text);
    WindowsVersionInfo nine = Version(5, 1, 2600, 1, 0);
    nine.platformId = 1;
    EXPECT_FALSE(DescribeWindowsVersion(nine, text));
    EXPECT_EQ("", text);
}

TEST(SystemInfoTest, ThisSystemIsDescribedInTheSameShape) {
    std::string text;
    ASSERT_TRUE(GetOsDescription(text));
    EXPECT_NE(std::string::npos, text.find(".b"));
    EXPECT_TRUE(text.size() > 8 && text.compare(text.size() - 8, 8, ", 64-bit") == 0) << text;
}

TEST(SystemInfoTest, TickCountIsExtendedAcrossOneWrap) {
    EXPECT_EQ(500, ExtendTickCount(0, 500));
    EXPECT_EQ(500, ExtendTickCount(-1, 500));
    EXPECT_EQ(4000000000LL, ExtendTickCount(3000000000LL, 4000000000u));
    // Wrapped below the stored value: one step of 0xFFFFFFFF on top.
    EXPECT_EQ(100 + 0xFFFFFFFFLL, ExtendTickCount(3000000000LL, 100));
    // A stored value already past 2^32 keeps counting whole steps.
    EXPECT_EQ(100 + 2 * 0xFFFFFFFFLL, ExtendTickCount(0xFFFFFFFFLL + 50, 100));
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
