#include "client/library/MusicFolderWalk.h"

#include "include/text/Utf8.h"
#include "platform/time/Clock.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace {

using testsupport::TempDir;

// Folders (ending in '/'), files and "link -> target" entries under `root`.
void MakeTree(const std::string& root, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        const size_t arrow = entry.find(" -> ");
        const std::filesystem::path path = root + "/" + entry.substr(0, arrow);
        std::filesystem::create_directories(entry.back() == '/' ? path : path.parent_path());
        if (arrow != std::string::npos)
            std::filesystem::create_directory_symlink(root + "/" + entry.substr(arrow + 4), path);
        else if (entry.back() != '/')
            testsupport::WriteFileText(path.string(), "x");
    }
}

std::wstring W(const std::string& text) {
    return Utf8ToWide(text);
}

bool Always() {
    return true;
}

bool AnyName(const std::wstring&) {
    return true;
}

} // namespace

TEST(MusicFolderWalkTest, EachTopFolderGivesTheCommonParentOfItsMusic) {
    TempDir dir;
    const std::string root = dir.Path();
    MakeTree(root, {
                       "Siblings/x/1/a.mp3",
                       "Siblings/x/2/b.m4a",
                       "Siblings/y/notes.txt",
                       "Single/y/z/c.mp3",
                       // A music folder is not descended into.
                       "Direct/song.MP3",
                       "Direct/sub/d.mp3",
                       "Quiet/notes.txt",
                       "Quiet/.hidden/e.mp3",
                       "Quiet/in/.also/f.mp3",
                       "Quiet/away -> Siblings/x",
                       "Linked -> Single",
                       ".Hidden/g.mp3",
                       "Excluded/h.mp3",
                       "libfoo/i.mp3",
                       "library/j.mp3",
                       "Other/lib/k.mp3",
                   });
    ExcludedFolders excluded({W(root + "/Excluded"), W(root + "/lib*")});
    MusicFolderWalk walk(Always, excluded);
    std::vector<std::wstring> found;
    walk.WalkTopFolders(W(root), AnyName, found);
    EXPECT_EQ(std::vector<std::wstring>({W(root + "/Direct"), W(root + "/Other/lib"), W(root + "/Siblings/x"),
                                         W(root + "/Single/y/z")}),
              found);

    MusicFolderWalk again(Always, ExcludedFolders());
    std::vector<std::wstring> direct;
    again.FindMusicFolders(W(root + "/Direct"), direct);
    EXPECT_EQ(std::vector<std::wstring>({W(root + "/Direct")}), direct);
}

TEST(MusicFolderWalkTest, CommonParentKeepsTheLeadingSlash) {
    const struct {
        std::vector<std::wstring> paths;
        std::wstring parent;
    } cases[] = {
        {{L"/a/b/c", L"/a/b/d"}, L"/a/b"},
        {{L"/a/b/d", L"/a/b/c", L"/a/b/c/e"}, L"/a/b"},
        {{L"/a/b"}, L"/a/b"},
        {{L"/a/b/c", L"/a/bc"}, L"/a"},
        {{L"/x/1", L"/y/2"}, L"/"},
        {{L"a/b", L"a/c"}, L"a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.parent, CommonParent(c.paths)) << c.paths.size();
}

TEST(MusicFolderWalkTest, StopFlagDeadlineAndDepthEndTheWalk) {
    TempDir dir;
    MakeTree(dir.Path(), {"a/b/c.mp3"});
    const struct {
        bool keepGoing;
        uint64_t deadlineMs;
        int maxDepth;
        bool finds;
    } cases[] = {
        {true, 0, 2, true},  {false, 0, 2, false}, {true, platform::MonotonicMs() + 60000, 2, true},
        {true, 1, 2, false}, {true, 0, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.keepGoing) + " " + std::to_string(c.deadlineMs) + " " +
                     std::to_string(c.maxDepth));
        auto walk = [&c] {
            return MusicFolderWalk([&c] { return c.keepGoing; }, ExcludedFolders(), c.maxDepth, c.deadlineMs);
        };
        EXPECT_EQ(c.finds, walk().ContainsMusic(W(dir.Path())));
        std::vector<std::wstring> found;
        walk().FindMusicFolders(W(dir.Path()), found);
        EXPECT_EQ(c.finds, !found.empty());
    }
}

// Roots are the one place a link is followed: a root that leads to folders
// the walk has seen finds nothing again.
TEST(MusicFolderWalkTest, AFolderReachedAgainThroughALinkedRootIsWalkedOnce) {
    TempDir dir;
    MakeTree(dir.Path(), {"real/x/a.mp3", "real/y/z/b.mp3", "alias -> real"});
    MusicFolderWalk walk(Always, ExcludedFolders());
    std::vector<std::wstring> found;
    walk.WalkTopFolders(W(dir.File("real")), AnyName, found);
    walk.WalkTopFolders(W(dir.File("alias")), AnyName, found);
    EXPECT_EQ(std::vector<std::wstring>({W(dir.File("real/x")), W(dir.File("real/y/z"))}), found);

    // A fresh walk does go through the link.
    std::vector<std::wstring> throughLink;
    MusicFolderWalk(Always, ExcludedFolders()).WalkTopFolders(W(dir.File("alias")), AnyName, throughLink);
    EXPECT_EQ(std::vector<std::wstring>({W(dir.File("alias/x")), W(dir.File("alias/y/z"))}), throughLink);
}

// A folder mounted inside itself leads back up without end; the walk sees
// each folder once. The mount lives in a private namespace of a child.
TEST(MusicFolderWalkTest, BindMountCycleEnds) {
    TempDir dir;
    MakeTree(dir.Path(), {"top/a/", "top/b/c.mp3"});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(dir.File("top").c_str(), dir.File("top/a").c_str(), nullptr, MS_BIND, nullptr) != 0)
            _exit(77);
        MusicFolderWalk walk(Always, ExcludedFolders());
        std::vector<std::wstring> found;
        walk.FindMusicFolders(W(dir.File("top")), found);
        const bool once = found == std::vector<std::wstring>({W(dir.File("top/b"))});
        _exit(once && MusicFolderWalk(Always, ExcludedFolders()).ContainsMusic(W(dir.File("top/a"))) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(0, WEXITSTATUS(status));
}
