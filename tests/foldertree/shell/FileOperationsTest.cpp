// What the shell's commands do on disk: numbered names instead of
// replacing, whole-tree copies that keep links, moves across file systems
// that keep the source until the copy is whole, removals that never follow
// a link, and Trash descriptions.
#include "foldertree/shell/FileOperations.h"
#include "foldertree/shell/Trash.h"
#include "tests/support/RefusedCalls.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

using namespace pgv;

namespace {

int CrossDevice(const char*, const char*) {
    errno = EXDEV;
    return -1;
}

// Where OpenSwappingFolder sends the folder "sub" just before it is opened,
// and the link it leaves in its place.
std::string g_swapAside, g_swapLinkTarget;

// Opens like openat, but first swaps the entry "sub" for a link, as
// someone could between a look at a folder and its opening.
int OpenSwappingFolder(int folder, const char* name, int flags) {
    if (std::strcmp(name, "sub") == 0) {
        if (renameat(folder, name, AT_FDCWD, g_swapAside.c_str()) != 0 ||
            symlinkat(g_swapLinkTarget.c_str(), folder, name) != 0)
            return -1;
    }
    return openat(folder, name, flags);
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
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
    FileSystemCalls calls;
    calls.rename = CrossDevice;
    SetFileSystemCalls(calls);
    std::string moved;
    // A pipe cannot be copied: the move fails and leaves the source whole.
    EXPECT_EQ(MoveInto(dir.File("src"), dir.File("dest"), &moved, nullptr), EINVAL);
    EXPECT_TRUE(fs::exists(dir.File("src/sub/song.mp3")));
    EXPECT_FALSE(fs::exists(dir.File("dest/src (2)")));
    fs::remove(dir.File("src/pipe"));
    EXPECT_EQ(MoveInto(dir.File("src"), dir.File("dest"), &moved, nullptr), 0);
    SetFileSystemCalls({});
    EXPECT_EQ(moved, dir.File("dest/src (2)"));
    EXPECT_FALSE(fs::exists(dir.File("src")));
    EXPECT_EQ(testsupport::ReadFileText(moved + "/sub/song.mp3"), "audio");
    EXPECT_EQ(fs::read_symlink(moved + "/link"), "sub/song.mp3");
    // Nothing moves into itself.
    EXPECT_EQ(MoveInto(dir.File("dest"), dir.File("dest/src"), &moved, nullptr), EINVAL);
}

TEST(FileOperationsTest, ANameClashInsideACopyRemovesThePartialCopyAndTriesNoOtherName) {
    // The child's kernel answers every exclusive create of a file with
    // EEXIST, as a file system blind to case answers "track.mp3" beside
    // "Track.mp3".
    const testsupport::RefusedCall clash = {SYS_openat, EEXIST, 2, O_CREAT | O_EXCL, O_CREAT | O_EXCL};
    struct Case {
        const char* what;
        bool move;
    };
    for (const Case& c : {Case{"copy", false}, Case{"move across file systems", true}}) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        std::filesystem::create_directories(dir.File("Album"));
        std::filesystem::create_directories(dir.File("stick"));
        testsupport::WriteFileText(dir.File("Album/Track.mp3"), "a");
        testsupport::WriteFileText(dir.File("Album/track.mp3"), "b");
        FileSystemCalls calls;
        calls.rename = CrossDevice;
        SetFileSystemCalls(calls);
        const int result = testsupport::RunRefusing({clash}, [&] {
            std::string placed;
            return c.move ? MoveInto(dir.File("Album"), dir.File("stick"), &placed, nullptr)
                          : CopyInto(dir.File("Album"), dir.File("stick"), &placed);
        });
        SetFileSystemCalls({});
        ASSERT_NE(result, testsupport::kNoCallFilter) << "no seccomp filter here";
        EXPECT_EQ(result, kNameClashInside);
        EXPECT_TRUE(Names(dir.File("stick")).empty());
        EXPECT_EQ(Names(dir.File("Album")).size(), 2u);
    }
}

TEST(FileOperationsTest, RemovalRemovesAFolderSwappedForALinkAndNeverItsTarget) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.File("victim/sub"));
    std::filesystem::create_directories(dir.File("outside"));
    testsupport::WriteFileText(dir.File("victim/sub/inner.mp3"), "x");
    testsupport::WriteFileText(dir.File("outside/keep.mp3"), "keep");
    g_swapAside = dir.File("aside");
    g_swapLinkTarget = dir.File("outside");
    FileSystemCalls calls;
    calls.openAt = OpenSwappingFolder;
    SetFileSystemCalls(calls);
    EXPECT_EQ(RemoveTree(dir.File("victim")), 0);
    SetFileSystemCalls({});
    EXPECT_FALSE(std::filesystem::exists(dir.File("victim")));
    EXPECT_EQ(testsupport::ReadFileText(dir.File("outside/keep.mp3")), "keep");
    EXPECT_TRUE(std::filesystem::exists(dir.File("aside/inner.mp3")));
}

TEST(FileOperationsTest, TrashDescriptionsEncodeThePath) {
    std::string info = TrashInfoText("/home/a b/\xC3\xA9%", 0);
    EXPECT_EQ(info.substr(0, info.find("DeletionDate=")), "[Trash Info]\nPath=/home/a%20b/%C3%A9%25\n");
    EXPECT_EQ(info.size() - info.find("DeletionDate="),
              std::string("DeletionDate=1970-01-01T00:00:00\n").size());
}
