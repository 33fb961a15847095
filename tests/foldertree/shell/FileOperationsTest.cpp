// What the shell's commands do on disk: numbered names instead of
// replacing, whole-tree copies that keep links, moves across file systems
// that keep the source until the copy is whole, and Trash descriptions.
#include "foldertree/shell/FileOperations.h"
#include "foldertree/shell/Trash.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

using namespace pgv;

namespace {

int CrossDevice(const char*, const char*) {
    errno = EXDEV;
    return -1;
}

} // namespace

TEST(FileOperationsTest, TakenNamesGetTheNextNumber) {
    struct Case {
        const char* name;
        int number;
        const char* numbered;
    };
    const Case cases[] = {
        {"a.txt", 1, "a.txt"},       {"a.txt", 2, "a (2).txt"},       {".hidden", 2, ".hidden (2)"},
        {"folder", 3, "folder (3)"}, {"a.tar.gz", 2, "a.tar (2).gz"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NumberedName(c.name, c.number), c.numbered);
}

TEST(FileOperationsTest, AMoveAcrossFileSystemsRemovesTheSourceOnlyAfterAWholeCopy) {
    namespace fs = std::filesystem;
    testsupport::TempDir dir;
    fs::create_directories(dir.File("src/sub"));
    fs::create_directories(dir.File("dest/src"));
    testsupport::WriteFileText(dir.File("src/sub/song.mp3"), "audio");
    fs::create_symlink("sub/song.mp3", dir.File("src/link"));
    ASSERT_EQ(mkfifo(dir.File("src/pipe").c_str(), 0600), 0);
    SetRenameOverride(CrossDevice);
    std::string moved;
    // A pipe cannot be copied: the move fails and leaves the source whole.
    EXPECT_EQ(MoveInto(dir.File("src"), dir.File("dest"), &moved), EINVAL);
    EXPECT_TRUE(fs::exists(dir.File("src/sub/song.mp3")));
    EXPECT_FALSE(fs::exists(dir.File("dest/src (2)")));
    fs::remove(dir.File("src/pipe"));
    EXPECT_EQ(MoveInto(dir.File("src"), dir.File("dest"), &moved), 0);
    SetRenameOverride(nullptr);
    EXPECT_EQ(moved, dir.File("dest/src (2)"));
    EXPECT_FALSE(fs::exists(dir.File("src")));
    EXPECT_EQ(testsupport::ReadFileText(moved + "/sub/song.mp3"), "audio");
    EXPECT_EQ(fs::read_symlink(moved + "/link"), "sub/song.mp3");
    // Nothing moves into itself.
    EXPECT_EQ(MoveInto(dir.File("dest"), dir.File("dest/src"), &moved), EINVAL);
}

TEST(FileOperationsTest, TrashDescriptionsEncodeThePath) {
    std::string info = TrashInfoText("/home/a b/\xC3\xA9%", 0);
    EXPECT_EQ(info.substr(0, info.find("DeletionDate=")), "[Trash Info]\nPath=/home/a%20b/%C3%A9%25\n");
    EXPECT_EQ(info.size() - info.find("DeletionDate="),
              std::string("DeletionDate=1970-01-01T00:00:00\n").size());
}
