#include "foldertree/shell/ChangeTranslator.h"
#include "foldertree/shell/MountTable.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>

using namespace pgv;

namespace {

const ItemIds kMusic = {VirtualId(VI_HOME), NameId(IK_FOLDER, "Music", 0)};
// The same folder under File System.
const ItemIds kMusicByPath = {VirtualId(VI_COMPUTER), VolumeId("/"), NameId(IK_FOLDER, "home", 0),
                              NameId(IK_FOLDER, "Music", 0)};
const ItemIds kOther = {VirtualId(VI_HOME), NameId(IK_FOLDER, "Other", 0)};

ItemIds Child(ItemIds folder, ItemKind kind, const char* name) {
    folder.push_back(NameId(kind, name, 0));
    return folder;
}

struct Expected {
    int32_t event;
    ItemIds first;
    ItemIds second;
};

void ExpectChanges(const std::vector<ShellChange>& changes, const std::vector<Expected>& expected,
                   const char* what) {
    ASSERT_EQ(changes.size(), expected.size()) << what;
    for (size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].event, expected[i].event) << what << " #" << i;
        EXPECT_TRUE(SameItems(changes[i].first, expected[i].first)) << what << " #" << i;
        EXPECT_TRUE(SameItems(changes[i].second, expected[i].second)) << what << " #" << i;
    }
}

} // namespace

TEST(ChangeTranslatorTest, PairsRenamesAndReportsEveryAliasOfAWatchedFolder) {
    const WatchAliases aliases = {{1, {kMusic, kMusicByPath}}, {2, {kOther}}};
    struct Case {
        const char* what;
        std::vector<RawChange> batch;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"new folder under both aliases",
         {{1, IN_CREATE | IN_ISDIR, 0, "Jazz"}},
         {{SHCNE_MKDIR, Child(kMusic, IK_FOLDER, "Jazz"), {}},
          {SHCNE_MKDIR, Child(kMusicByPath, IK_FOLDER, "Jazz"), {}}}},
        {"files and archives",
         {{2, IN_CREATE, 0, "a.mp3"}, {2, IN_DELETE, 0, "b.ZIP"}},
         {{SHCNE_CREATE, Child(kOther, IK_FILE, "a.mp3"), {}},
          {SHCNE_RMDIR, Child(kOther, IK_FILE, "b.ZIP"), {}}}},
        {"rename inside one folder",
         {{2, IN_MOVED_FROM | IN_ISDIR, 7, "old"}, {2, IN_MOVED_TO | IN_ISDIR, 7, "new"}},
         {{SHCNE_RENAMEFOLDER, Child(kOther, IK_FOLDER, "old"), Child(kOther, IK_FOLDER, "new")}}},
        {"move between folders",
         {{2, IN_MOVED_FROM, 8, "x"}, {1, IN_MOVED_TO, 8, "x"}},
         {{SHCNE_DELETE, Child(kOther, IK_FILE, "x"), {}},
          {SHCNE_CREATE, Child(kMusic, IK_FILE, "x"), {}},
          {SHCNE_CREATE, Child(kMusicByPath, IK_FILE, "x"), {}}}},
        {"halves without their pair",
         {{2, IN_MOVED_TO | IN_ISDIR, 9, "in"}, {2, IN_MOVED_FROM | IN_ISDIR, 10, "out"}},
         {{SHCNE_MKDIR, Child(kOther, IK_FOLDER, "in"), {}},
          {SHCNE_RMDIR, Child(kOther, IK_FOLDER, "out"), {}}}},
        {"overflow refreshes every alias",
         {{-1, IN_Q_OVERFLOW, 0, ""}},
         {{SHCNE_UPDATEDIR, kMusic, {}}, {SHCNE_UPDATEDIR, kMusicByPath, {}}, {SHCNE_UPDATEDIR, kOther, {}}}},
        {"unknown watches and odd names",
         {{3, IN_CREATE, 0, "x"}, {2, IN_CREATE, 0, ".."}, {2, IN_CREATE, 0, ""}},
         {}},
    };
    for (const Case& c : cases)
        ExpectChanges(TranslateChanges(c.batch, aliases), c.expected, c.what);

    ExpectChanges(TranslateVolumes({"/media/a", "/media/b"}, {"/media/b", "/mnt/c"}),
                  {{SHCNE_DRIVEREMOVED, {VirtualId(VI_COMPUTER), VolumeId("/media/a")}, {}},
                   {SHCNE_DRIVEADD, {VirtualId(VI_COMPUTER), VolumeId("/mnt/c")}, {}}},
                  "volumes");
}

TEST(MountTableTest, VolumesAreTheMountPointsBelowTheRemovableParents) {
    const char* table = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                        "40 22 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n"
                        "41 22 8:18 / /run/media/u/Disk rw - ext4 /dev/sdb2 rw\n"
                        "42 22 8:19 / /mnt/backup rw - ext4 /dev/sdb3 rw\n"
                        "42 22 8:19 / /mnt/backup rw - ext4 /dev/sdb3 rw\n"
                        "43 22 0:5 / /mnt rw - tmpfs none rw\n"
                        "44 22 0:6 / /media/../etc rw - tmpfs none rw\n"
                        "45 22 0:7 / /media/bad\\09 rw - tmpfs none rw\n"
                        "46 22 0:8 / /media/nul\\000 rw - tmpfs none rw\n"
                        "47 22 0:9 / /homes/media/x rw - tmpfs none rw\n"
                        "garbage\n\n";
    const char nulLine[] = "48 22 0:9 / /media/a\0b rw - tmpfs none rw\n";
    std::string withNul = std::string(table) + std::string(nulLine, sizeof nulLine - 1);
    EXPECT_EQ(ParseMountInfo(withNul),
              (std::vector<std::string>{"/media/usb stick", "/mnt/backup", "/run/media/u/Disk"}));
}
