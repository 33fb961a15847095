#include "crashreport/GzipFile.h"

#include "tests/support/Gunzip.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace testsupport;

TEST(GzipFileTest, CompressesToAPrivateNewFile) {
    TempDir dir;
    std::string text(100000, 'x');
    for (size_t i = 0; i < text.size(); i += 7)
        text[i] = static_cast<char>('a' + i % 26);
    WriteFileText(dir.File("log"), text);
    ASSERT_TRUE(GzipFile(dir.File("log"), dir.File("log.gz")));
    std::string back;
    ASSERT_TRUE(Gunzip(ReadFileText(dir.File("log.gz")), back));
    EXPECT_EQ(text, back);
    struct stat info {};
    ASSERT_EQ(0, stat(dir.File("log.gz").c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
}

TEST(GzipFileTest, FailuresReportFalseAndLeaveNoPartialFile) {
    TempDir dir;
    WriteFileText(dir.File("log"), "abc");
    WriteFileText(dir.File("taken.gz"), "keep");
    ASSERT_EQ(0, symlink(dir.File("elsewhere").c_str(), dir.File("link.gz").c_str()));
    mkdir(dir.File("folder").c_str(), 0700);

    EXPECT_FALSE(GzipFile(dir.File("missing"), dir.File("a.gz")));
    EXPECT_FALSE(GzipFile(dir.File("log"), dir.File("taken.gz")));
    EXPECT_EQ("keep", ReadFileText(dir.File("taken.gz")));
    EXPECT_FALSE(GzipFile(dir.File("log"), dir.File("link.gz")));
    EXPECT_NE(0, access(dir.File("elsewhere").c_str(), F_OK)) << "followed a link";
    EXPECT_FALSE(GzipFile(dir.File("log"), dir.File("no/such/folder.gz")));
    // A source that opens but cannot be read: the started .gz goes again.
    EXPECT_FALSE(GzipFile(dir.File("folder"), dir.File("b.gz")));
    EXPECT_NE(0, access(dir.File("b.gz").c_str(), F_OK));
    EXPECT_NE(0, access(dir.File("a.gz").c_str(), F_OK));
}
