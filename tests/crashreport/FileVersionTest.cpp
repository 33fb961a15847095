#include "crashreport/FileVersion.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testsupport::TempDir;
using testsupport::WriteFileText;

TEST(FileVersionTest, VersionComesFromTheProgramsNote) {
    TempDir dir;
    WriteFileText(dir.File("text"), "not a program");
    EXPECT_EQ("3.0.1.46", FileVersionString(MELVANE_PROGRAM));
    for (const std::string& path : {std::string(MELVANE_CRASH_VICTIM), dir.File("text"), dir.File("missing")})
        EXPECT_EQ("(GFVI failed)", FileVersionString(path)) << path;
}

TEST(FileVersionTest, SizeAndDigestLeaveLaterBytesUnpadded) {
    TempDir dir;
    struct Case {
        const char* content;
        const char* expected;
    };
    const Case cases[] = {
        // Digest 900150983cd24fb0...: the "01" after the first byte loses its zero.
        {"abc", "3:90150983cd24fb0d6963f7d28e17f72"},
        // Digest 093f65e0...: the first byte keeps its zero, "07" and "0" later do not.
        {"59", "2:093f65e080a295f876b1c5722a46aa2"},
    };
    for (const Case& c : cases) {
        WriteFileText(dir.File("f"), c.content);
        EXPECT_EQ(c.expected, FileSizeAndMd5(dir.File("f"))) << c.content;
    }
    EXPECT_EQ("(OpenFailed)", FileSizeAndMd5(dir.File("missing")));
}
