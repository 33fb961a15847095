#include "platform/fs/FileOps.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

using testsupport::ReadFileText;
using testsupport::TempDir;
using testsupport::WriteFileText;

namespace {

struct stat StatOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st;
}

// A folder on another file system than the temporary folder, when there is
// one: /dev/shm is usually tmpfs.
class OtherFileSystemDir {
  public:
    explicit OtherFileSystemDir(const std::string& near) {
        std::string pattern = "/dev/shm/melvane-test-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return;
        m_path = pattern;
        if (StatOf(m_path).st_dev == StatOf(near).st_dev) {
            Remove();
            m_path.clear();
        }
    }
    ~OtherFileSystemDir() { Remove(); }
    const std::string& Path() const { return m_path; }

  private:
    void Remove() {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    std::string m_path;
};

} // namespace

TEST(FileOpsTest, OpenCloexecAlwaysSetsCloseOnExec) {
    TempDir dir;
    int fd = platform::OpenCloexec(dir.File("f"), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_NE(0, fcntl(fd, F_GETFD) & FD_CLOEXEC);
    close(fd);
    EXPECT_EQ(-1, platform::OpenCloexec(dir.File("missing/f"), O_RDONLY));
    EXPECT_EQ(ENOENT, errno);
}

TEST(FileOpsTest, RenameNoReplaceRefusesAnExistingTarget) {
    TempDir dir;
    WriteFileText(dir.File("from"), "new");
    WriteFileText(dir.File("to"), "old");
    EXPECT_EQ(-1, platform::RenameNoReplace(dir.File("from"), dir.File("to")));
    EXPECT_EQ(EEXIST, errno);
    EXPECT_EQ("old", ReadFileText(dir.File("to")));
    EXPECT_EQ("new", ReadFileText(dir.File("from")));

    EXPECT_EQ(0, platform::RenameNoReplace(dir.File("from"), dir.File("fresh")));
    EXPECT_EQ("new", ReadFileText(dir.File("fresh")));
    EXPECT_NE(0, access(dir.File("from").c_str(), F_OK));
}

TEST(FileOpsTest, RenameAcrossFileSystemsCopiesAndNeverReplaces) {
    TempDir dir;
    OtherFileSystemDir other(dir.Path());
    if (other.Path().empty())
        GTEST_SKIP() << "no second file system at /dev/shm";

    const std::string content(200 * 1024 + 17, 'c'); // more than one copy chunk
    WriteFileText(dir.File("song"), content);
    ASSERT_EQ(0, chmod(dir.File("song").c_str(), 0640));
    WriteFileText(other.Path() + "/taken", "keep me");

    EXPECT_EQ(-1, platform::RenameNoReplace(dir.File("song"), other.Path() + "/taken"));
    EXPECT_EQ(EEXIST, errno);
    EXPECT_EQ("keep me", ReadFileText(other.Path() + "/taken"));
    EXPECT_EQ(content, ReadFileText(dir.File("song")));

    ASSERT_EQ(0, platform::RenameNoReplace(dir.File("song"), other.Path() + "/song"));
    EXPECT_EQ(content, ReadFileText(other.Path() + "/song"));
    EXPECT_EQ(0640u, StatOf(other.Path() + "/song").st_mode & 0777);
    EXPECT_NE(0, access(dir.File("song").c_str(), F_OK)) << "the source is removed";
}

TEST(FileOpsTest, CopyFileExclusiveLeavesNothingBehindOnFailure) {
    TempDir dir;
    WriteFileText(dir.File("a"), "a");
    WriteFileText(dir.File("b"), "b");
    EXPECT_EQ(-1, platform::CopyFileExclusive(dir.File("a"), dir.File("b")));
    EXPECT_EQ(EEXIST, errno);
    EXPECT_EQ("b", ReadFileText(dir.File("b")));

    ASSERT_EQ(0, mkdir(dir.File("folder").c_str(), 0700));
    EXPECT_EQ(-1, platform::CopyFileExclusive(dir.File("folder"), dir.File("copy")));
    EXPECT_EQ(EISDIR, errno);
    EXPECT_NE(0, access(dir.File("copy").c_str(), F_OK));

    EXPECT_EQ(-1, platform::CopyFileExclusive(dir.File("missing"), dir.File("copy")));
    EXPECT_EQ(ENOENT, errno);

    EXPECT_EQ(0, platform::CopyFileExclusive(dir.File("a"), dir.File("copy")));
    EXPECT_EQ("a", ReadFileText(dir.File("copy")));
}

TEST(FileOpsTest, DirectoriesGetTheirModeWhateverTheUmask) {
    TempDir dir;
    mode_t old = umask(0077);
    EXPECT_EQ(0, platform::MakeDirectory(dir.File("open"), 0755));
    EXPECT_EQ(0, platform::MakeDirectories(dir.File("x/y/z"), 0750));
    umask(old);
    EXPECT_EQ(0755u, StatOf(dir.File("open")).st_mode & 0777);
    EXPECT_EQ(0750u, StatOf(dir.File("x")).st_mode & 0777);
    EXPECT_EQ(0750u, StatOf(dir.File("x/y/z")).st_mode & 0777);
    EXPECT_EQ(-1, platform::MakeDirectory(dir.File("open"), 0700));
    EXPECT_EQ(EEXIST, errno);
}

TEST(FileOpsTest, MakeDirectoriesAcceptsExistingFoldersAndStopsAtAFile) {
    TempDir dir;
    EXPECT_EQ(0, platform::MakeDirectories(dir.File("a/b/"), 0700));
    EXPECT_EQ(0, platform::MakeDirectories(dir.File("a/b"), 0700));
    EXPECT_TRUE(S_ISDIR(StatOf(dir.File("a/b")).st_mode));

    WriteFileText(dir.File("file"), "x");
    EXPECT_EQ(-1, platform::MakeDirectories(dir.File("file/sub"), 0700));
    EXPECT_EQ(ENOTDIR, errno);
    EXPECT_EQ(-1, platform::MakeDirectories(dir.File("file"), 0700));
    EXPECT_EQ(ENOTDIR, errno);
    EXPECT_EQ(-1, platform::MakeDirectories("", 0700));
    EXPECT_EQ(ENOENT, errno);
}
