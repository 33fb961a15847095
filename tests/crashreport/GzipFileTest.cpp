#include "crashreport/GzipFile.h"

#include "tests/support/Gunzip.h"
#include "tests/support/TempDir.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// GzipFile in a process whose files may not grow past 64 KiB.
bool GzipUnderSizeLimit(const std::string& source, const std::string& target) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1 << 16, 1 << 16};
    setrlimit(RLIMIT_FSIZE, &limit);
    return GzipFile(source, target);
}

} // namespace

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

    // A write cut short (here by a file size limit, as a full disk would):
    // noise does not compress, so the .gz outgrows the limit.
    std::string noise(1 << 18, '\0');
    uint32_t seed = 1;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    WriteFileText(dir.File("noise"), noise);
    EXPECT_EXIT(std::_Exit(GzipUnderSizeLimit(dir.File("noise"), dir.File("noise.gz")) ? 1 : 0),
                ::testing::ExitedWithCode(0), "");
    EXPECT_NE(0, access(dir.File("noise.gz").c_str(), F_OK)) << "the partial .gz was left";
}
