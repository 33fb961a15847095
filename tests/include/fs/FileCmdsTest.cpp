#include "include/fs/FileCmds.h"

#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

using testsupport::ReadFileText;
using testsupport::TempDir;
using testsupport::WriteFileText;

namespace {

bool IsCloseOnExec(int fd) {
    return (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
}

class FileCmdsTest : public ::testing::Test {
  protected:
    TempDir m_dir;
    testsupport::CapturedLog m_log;
};

} // namespace

TEST_F(FileCmdsTest, CreateDirsMakesOnlyTheFoldersBeforeEachSlash) {
    ASSERT_TRUE(createDirs(m_dir.WFile("a/b/c")));
    EXPECT_TRUE(isDirectory(m_dir.WFile("a")));
    EXPECT_TRUE(isDirectory(m_dir.WFile("a/b")));
    EXPECT_FALSE(pathExists(m_dir.WFile("a/b/c")));

    ASSERT_TRUE(createDirs(m_dir.WFile("a/b/c/")));
    EXPECT_TRUE(isDirectory(m_dir.WFile("a/b/c")));
    EXPECT_TRUE(createDirs(m_dir.WFile("a/b/c/"))) << "existing folders are fine";
}

TEST_F(FileCmdsTest, CreateDirsStopsAtTheFirstFailureAndLogsIt) {
    WriteFileText(m_dir.File("file"), "in the way");
    EXPECT_FALSE(createDirs(m_dir.WFile("file/sub/leaf")));
    EXPECT_FALSE(pathExists(m_dir.WFile("file/sub")));
    EXPECT_TRUE(m_log.Contains("(ERR): Error creating " + m_dir.File("file/sub") + ": " +
                               std::to_string(ENOTDIR) + "\n"))
        << m_log.Text();
}

TEST_F(FileCmdsTest, CreateDirFailsOnAnExistingFolderAndMakesNewOnesPrivate) {
    ASSERT_TRUE(createDir(m_dir.WFile("d")));
    struct stat st {};
    ASSERT_TRUE(statFile(m_dir.WFile("d"), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    EXPECT_FALSE(createDir(m_dir.WFile("d")));
    EXPECT_TRUE(m_log.Contains("Error creating " + m_dir.File("d") + ": " + std::to_string(EEXIST)));
}

TEST_F(FileCmdsTest, RenameNeverReplacesAnExistingFile) {
    WriteFileText(m_dir.File("from"), "new");
    WriteFileText(m_dir.File("to"), "precious");
    EXPECT_FALSE(renameFile(m_dir.WFile("from"), m_dir.WFile("to")));
    EXPECT_EQ("precious", ReadFileText(m_dir.File("to")));
    EXPECT_EQ("new", ReadFileText(m_dir.File("from")));
    EXPECT_TRUE(m_log.Contains("(INFO): error " + std::to_string(EEXIST) + " renaming " + m_dir.File("from") +
                               " to " + m_dir.File("to") + "\n"))
        << m_log.Text();

    ASSERT_TRUE(renameFile(m_dir.WFile("from"), m_dir.WFile("moved")));
    EXPECT_FALSE(pathExists(m_dir.WFile("from")));
    EXPECT_EQ("new", ReadFileText(m_dir.File("moved")));
}

TEST_F(FileCmdsTest, ExistenceDirectoryAndSizeQueries) {
    WriteFileText(m_dir.File("ten"), "0123456789");
    ASSERT_EQ(0, symlink(m_dir.File("nowhere").c_str(), m_dir.File("dangling").c_str()));

    EXPECT_TRUE(fileExists(m_dir.WFile("ten")));
    EXPECT_FALSE(fileExists(m_dir.WFile("dangling")));
    EXPECT_TRUE(pathExists(m_dir.WFile("dangling")));
    EXPECT_FALSE(pathExists(m_dir.WFile("nowhere")));

    EXPECT_TRUE(isDirectory(L"/"));
    EXPECT_TRUE(isDirectory(m_dir.WPath()));
    EXPECT_TRUE(isDirectory(m_dir.WPath() + L"/"));
    EXPECT_FALSE(isDirectory(m_dir.WFile("ten")));
    EXPECT_FALSE(isDirectory(m_dir.WFile("nowhere")));
    EXPECT_TRUE(m_log.Contains("(ERR): Could not stat " + m_dir.File("nowhere") + "\n")) << m_log.Text();

    EXPECT_EQ(10, getFileSize(m_dir.WFile("ten")));
    EXPECT_EQ(-1, getFileSize(m_dir.WFile("nowhere")));
}

TEST_F(FileCmdsTest, DeleteFileLogsOnlyWhenAskedTo) {
    WriteFileText(m_dir.File("a"), "x");
    WriteFileText(m_dir.File("b"), "x");
    EXPECT_TRUE(deleteFile(m_dir.WFile("a"), true));
    EXPECT_TRUE(deleteFile(m_dir.WFile("b"), false));
    EXPECT_FALSE(deleteFile(m_dir.WFile("a"), false));
    EXPECT_FALSE(fileExists(m_dir.WFile("b")));
    EXPECT_EQ(std::string::npos, m_log.Text().find("ENOENT")) << "silent without log";
    EXPECT_FALSE(deleteFile(m_dir.WFile("a"), true));
    // Other errors are not logged.
    ASSERT_TRUE(createDir(m_dir.WFile("folder")));
    EXPECT_FALSE(deleteFile(m_dir.WFile("folder"), true));

    const std::string log = m_log.Text();
    EXPECT_NE(std::string::npos, log.find("(VERB): deleteFile succeeded for " + m_dir.File("a") + "\n"))
        << log;
    EXPECT_EQ(std::string::npos, log.find("succeeded for " + m_dir.File("b"))) << log;
    EXPECT_NE(std::string::npos, log.find("(CRIT): ENOENT error deleting " + m_dir.File("a") + "\n")) << log;
    EXPECT_EQ(std::string::npos, log.find(m_dir.File("folder") + "\n")) << log;
}

TEST_F(FileCmdsTest, OpenFileWriteKeepsContentsAndStartsAtThePosition) {
    WriteFileText(m_dir.File("f"), "hello world");
    int fd = openFileWrite(m_dir.WFile("f"), 6);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(IsCloseOnExec(fd));
    ASSERT_EQ(5, write(fd, "WORLD", 5));
    // Read-write: the same descriptor reads what is there.
    char head[5];
    ASSERT_EQ(0, lseek(fd, 0, SEEK_SET));
    ASSERT_EQ(5, ReadFully(fd, head, 5));
    EXPECT_EQ("hello", std::string(head, 5));
    close(fd);
    EXPECT_EQ("hello WORLD", ReadFileText(m_dir.File("f")));
}

TEST_F(FileCmdsTest, OpenFileWriteCreatesAPrivateFile) {
    int fd = openFileWrite(m_dir.WFile("new"), 0);
    ASSERT_GE(fd, 0);
    close(fd);
    struct stat st {};
    ASSERT_TRUE(statFile(m_dir.WFile("new"), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_EQ(0, st.st_size);
}

TEST_F(FileCmdsTest, OpenFailuresReturnMinusOneAndLog) {
    EXPECT_EQ(-1, openFileWrite(m_dir.WFile("missing/f"), 0));
    EXPECT_TRUE(m_log.Contains("(ERR): <IOCMDS> ENOENT !!!!!!!!!!!\n")) << m_log.Text();
    EXPECT_EQ(-1, openFileRead(m_dir.WFile("missing"), 0));
    EXPECT_TRUE(m_log.Contains("(ERR): openFileRead failed. errno 2, fileName: " + m_dir.File("missing") +
                               ", fd: -1, startFilePos: 0\n"))
        << m_log.Text();
}

TEST_F(FileCmdsTest, NegativeStartPositionFailsCleanly) {
    WriteFileText(m_dir.File("f"), "data");
    EXPECT_EQ(-1, openFileRead(m_dir.WFile("f"), -5));
    EXPECT_EQ(-1, openFileWrite(m_dir.WFile("f"), -5));
    const std::string log = m_log.Text();
    EXPECT_NE(std::string::npos, log.find("(CRIT): lseek problem in openFileRead. errno " +
                                          std::to_string(EINVAL) + ", fileName: " + m_dir.File("f")))
        << log;
    EXPECT_NE(std::string::npos,
              log.find("(CRIT): lseek problem in openFileWrite. fileName: " + m_dir.File("f")))
        << log;
    EXPECT_EQ("data", ReadFileText(m_dir.File("f")));
}

TEST_F(FileCmdsTest, ReadFullyStopsAtTheEndOfTheFile) {
    WriteFileText(m_dir.File("f"), "0123456789");
    int fd = openFileRead(m_dir.WFile("f"), 3);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(IsCloseOnExec(fd));
    char buffer[32];
    ASSERT_EQ(4, ReadFully(fd, buffer, 4));
    EXPECT_EQ("3456", std::string(buffer, 4));
    ASSERT_EQ(3, ReadFully(fd, buffer, sizeof buffer));
    EXPECT_EQ("789", std::string(buffer, 3));
    EXPECT_EQ(0, ReadFully(fd, buffer, sizeof buffer));
    close(fd);
    EXPECT_LT(ReadFully(fd, buffer, sizeof buffer), 0) << "a failed read returns its negative result";
}

TEST_F(FileCmdsTest, ReadFullyGathersShortReads) {
    int fds[2];
    ASSERT_EQ(0, pipe2(fds, O_CLOEXEC));
    // The second half comes only once the first read has taken the first, so
    // that read returns short.
    std::thread writer([readEnd = fds[0], fd = fds[1]] {
        (void)!write(fd, "abc", 3);
        EXPECT_TRUE(testsupport::WaitUntil([readEnd] {
            int unread = -1;
            return ioctl(readEnd, FIONREAD, &unread) == 0 && unread == 0;
        })) << "the first read never came";
        (void)!write(fd, "def", 3);
        close(fd);
    });
    char buffer[8];
    EXPECT_EQ(6, ReadFully(fds[0], buffer, 6));
    EXPECT_EQ("abcdef", std::string(buffer, 6));
    writer.join();
    close(fds[0]);
}

TEST(FileCmdsStringTest, WideCopiesAndMultibyteLengths) {
    wchar_t* copy = WcsDup(L"caf\u00e9");
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(std::wstring(L"caf\u00e9"), copy);
    std::free(copy);
    EXPECT_EQ(0u, WideToMbLength(L""));
    EXPECT_EQ(10u, WideToMbLength(L"a\u00e9\u20ac\U0001F3B5"));
}
