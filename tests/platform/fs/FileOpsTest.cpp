#include "platform/fs/FileOps.h"

#include "platform/fs/UniqueFd.h"
#include "tests/support/RefusedCalls.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

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

// The names in a folder.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The inotify events waiting on `watch` for `name`, as "created", "modified"
// or "moved to" with the name.
std::vector<std::string> EventsNaming(int watch, const std::string& name) {
    std::vector<std::string> events;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = read(watch, buffer, sizeof buffer);
        if (got <= 0)
            return events;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->len == 0 || name != event->name)
                continue;
            const char* what = event->mask & IN_CREATE   ? "created"
                               : event->mask & IN_MODIFY ? "modified"
                                                         : "moved to";
            events.push_back(std::string(what) + " " + event->name);
        }
    }
}

// Runs `rename` in a child whose kernel, like exFAT, FUSE or NFS, answers
// renameat2 with EINVAL and, when `refuseLinks`, linkat with EPERM. With
// `targetAppearsLate`, every look at a name that does not follow a link
// finds nothing, so a check whether the target is free says it is, as it
// would for a target created between the check and the rename. The
// child's result: 0, or the errno of the failed rename.
template <class Rename> int InChildWithoutNoReplace(bool refuseLinks, bool targetAppearsLate, Rename rename) {
    std::vector<testsupport::RefusedCall> refused = {{SYS_renameat2, EINVAL}};
    if (refuseLinks)
        refused.push_back({SYS_linkat, EPERM});
    if (targetAppearsLate) {
        refused.push_back({SYS_newfstatat, ENOENT, 3, AT_SYMLINK_NOFOLLOW, AT_SYMLINK_NOFOLLOW});
        refused.push_back({SYS_statx, ENOENT, 2, AT_SYMLINK_NOFOLLOW, AT_SYMLINK_NOFOLLOW});
    }
    return testsupport::RunRefusing(refused, [&] { return rename() == 0 ? 0 : errno; });
}

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

TEST(FileOpsTest, RenameNeverReplacesWhereTheFileSystemLacksTheFlag) {
    enum Target { FREE, TAKEN, TAKEN_AFTER_A_CHECK };
    struct Case {
        const char* what;
        bool folder;
        Target target;
        bool refuseLinks;
    };
    const Case cases[] = {
        {"file, links work", false, FREE, false},
        {"file onto a file, links work", false, TAKEN, false},
        {"file, links refused", false, FREE, true},
        {"file onto a file, links refused", false, TAKEN, true},
        {"file onto a file made after a check, links refused", false, TAKEN_AFTER_A_CHECK, true},
        {"folder", true, FREE, true},
        {"folder onto an empty folder", true, TAKEN, true},
        {"folder onto an empty folder made after a check", true, TAKEN_AFTER_A_CHECK, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string from = dir.File("from"), to = dir.File("to");
        const bool taken = c.target != FREE;
        if (c.folder) {
            ASSERT_EQ(0, mkdir(from.c_str(), 0755));
            WriteFileText(from + "/song", "new");
            if (taken) {
                ASSERT_EQ(0, mkdir(to.c_str(), 0755));
            }
        } else {
            WriteFileText(from, "new");
            if (taken)
                WriteFileText(to, "old");
        }
        int result = InChildWithoutNoReplace(c.refuseLinks, c.target == TAKEN_AFTER_A_CHECK, [&] {
            return platform::RenameNoReplaceWithinFileSystem(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str());
        });
        ASSERT_NE(testsupport::kNoCallFilter, result) << "no seccomp filter here";
        if (taken) {
            EXPECT_EQ(EEXIST, result);
            EXPECT_EQ("new", ReadFileText(c.folder ? from + "/song" : from));
            if (c.folder)
                EXPECT_TRUE(Names(to).empty());
            else
                EXPECT_EQ("old", ReadFileText(to));
        } else {
            EXPECT_EQ(0, result);
            EXPECT_EQ("new", ReadFileText(c.folder ? to + "/song" : to));
            EXPECT_NE(0, access(from.c_str(), F_OK));
        }
    }

    // A rename that fails after the name was taken for it (a folder into
    // itself) gives its own error and leaves no placeholder behind.
    TempDir dir;
    const std::string folder = dir.File("folder");
    ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
    WriteFileText(folder + "/song", "new");
    const int result = InChildWithoutNoReplace(true, false, [&] {
        return platform::RenameNoReplaceWithinFileSystem(AT_FDCWD, folder.c_str(), AT_FDCWD,
                                                         (folder + "/inside").c_str());
    });
    EXPECT_EQ(EINVAL, result);
    EXPECT_EQ(std::set<std::string>{"song"}, Names(folder));
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

    // The name appears only whole: never created or written under it.
    platform::UniqueFd watch(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_TRUE(watch.IsValid());
    ASSERT_GE(inotify_add_watch(watch.Get(), other.Path().c_str(), IN_CREATE | IN_MODIFY | IN_MOVED_TO), 0);
    ASSERT_EQ(0, platform::RenameNoReplace(dir.File("song"), other.Path() + "/song"));
    EXPECT_EQ(std::vector<std::string>{"moved to song"}, EventsNaming(watch.Get(), "song"));
    EXPECT_EQ(content, ReadFileText(other.Path() + "/song"));
    EXPECT_EQ(0640u, StatOf(other.Path() + "/song").st_mode & 0777);
    EXPECT_NE(0, access(dir.File("song").c_str(), F_OK)) << "the source is removed";
    EXPECT_EQ((std::set<std::string>{"song", "taken"}), Names(other.Path())) << "no copy is left behind";
}

TEST(FileOpsTest, FoldersAreOpenedAndMadeWithoutFollowingLinks) {
    TempDir dir;
    ASSERT_EQ(0, mkdir(dir.File("base").c_str(), 0700));
    ASSERT_EQ(0, mkdir(dir.File("outside").c_str(), 0700));
    ASSERT_EQ(0, symlink(dir.File("outside").c_str(), dir.File("base/link").c_str()));
    platform::UniqueFd base(platform::OpenCloexec(dir.File("base"), O_RDONLY | O_DIRECTORY));
    ASSERT_TRUE(base.IsValid());

    platform::UniqueFd made(platform::OpenDirectoriesNoFollow(base.Get(), "a/b", 0700));
    ASSERT_TRUE(made.IsValid());
    EXPECT_TRUE(S_ISDIR(StatOf(dir.File("base/a/b")).st_mode));
    platform::UniqueFd same(platform::OpenDirectoriesNoFollow(base.Get(), "", 0700));
    EXPECT_TRUE(same.IsValid());
    for (const char* refused : {"link", "link/x", "a/../link", "a//b", "./a"}) {
        EXPECT_EQ(-1, platform::OpenDirectoriesNoFollow(base.Get(), refused, 0700)) << refused;
    }
    EXPECT_TRUE(Names(dir.File("outside")).empty());
}

TEST(FileOpsTest, CopyFileExclusiveLeavesNothingBehindOnFailure) {
    TempDir dir;
    WriteFileText(dir.File("a"), "a");
    WriteFileText(dir.File("b"), "b");
    EXPECT_EQ(-1, platform::CopyFileExclusive(AT_FDCWD, dir.File("a"), AT_FDCWD, dir.File("b")));
    EXPECT_EQ(EEXIST, errno);
    EXPECT_EQ("b", ReadFileText(dir.File("b")));

    ASSERT_EQ(0, mkdir(dir.File("folder").c_str(), 0700));
    EXPECT_EQ(-1, platform::CopyFileExclusive(AT_FDCWD, dir.File("folder"), AT_FDCWD, dir.File("copy")));
    EXPECT_EQ(EISDIR, errno);
    EXPECT_NE(0, access(dir.File("copy").c_str(), F_OK));

    EXPECT_EQ(-1, platform::CopyFileExclusive(AT_FDCWD, dir.File("missing"), AT_FDCWD, dir.File("copy")));
    EXPECT_EQ(ENOENT, errno);

    EXPECT_EQ(0, platform::CopyFileExclusive(AT_FDCWD, dir.File("a"), AT_FDCWD, dir.File("copy")));
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
