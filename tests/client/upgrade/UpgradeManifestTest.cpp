#include "client/upgrade/UpgradeManifest.h"

#include "include/text/Utf8.h"

#include <gtest/gtest.h>

TEST(UpgradeManifestTest, LinesBecomeEntriesAndAnOverlongLineRefusesTheManifest) {
    const std::string longest = "d\tp\tr\t" + std::string(kMaxManifestLineChars - 6, '1');
    struct Case {
        std::string manifest;
        bool ok;
        std::string entries; // md5|path|remote|flag; ...
    } cases[] = {
        {"d\ta/b/c.dll\tx\t1", true, "d|a\\b\\c.dll|x|1;"},
        {"d\ta\\b\tx y\t01\textra\r\n\t\td2\t\tc\t\tr\t1\nd\tonly\tthree\n\n", true,
         "d|a\\b|x y|0;d2|c|r|1;"},
        {longest + "\r\n", true, "d|p|r|0;"},
        {"d\tp\tr\t1\n" + longest + "1\n", false, "d|p|r|1;"},
    };
    for (const Case& c : cases) {
        std::vector<UpgradeFileEntry> entries;
        std::string error;
        EXPECT_EQ(c.ok, ParseManifest(c.manifest, entries, error)) << c.manifest.substr(0, 40);
        std::string text;
        for (const UpgradeFileEntry& e : entries)
            text += WideToUtf8(e.md5 + L"|" + e.localPath + L"|" + e.remoteName + L"|" +
                               (e.flag ? L"1;" : L"0;"));
        EXPECT_EQ(c.entries, text) << c.manifest.substr(0, 40);
        EXPECT_EQ(c.ok ? "" : "line 2 is longer than 8095 characters", error);
    }
}
