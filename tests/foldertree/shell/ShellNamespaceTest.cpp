#include "foldertree/shell/ShellNamespace.h"
#include "foldertree/shell/SpecialFolders.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <unistd.h>

using namespace pgv;

namespace {

class ShellNamespaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(home + "/Desktop/notes");
        std::filesystem::create_directories(home + "/Music/Rock");
        std::filesystem::create_directories(volume + "/Songs");
        shell = ShellNamespace({home + "/Desktop/", home, {volume}});
    }

    std::vector<std::string> Names(const ItemIds& folder, uint32_t flags) {
        std::vector<ItemId> children;
        EXPECT_EQ(shell.Enumerate(folder, flags, &children), 0);
        std::sort(children.begin(), children.end(),
                  [](const ItemId& a, const ItemId& b) { return ShellNamespace::CompareIds(a, b) < 0; });
        std::vector<std::string> names;
        for (const ItemId& id : children)
            names.push_back(id.payload);
        return names;
    }

    testsupport::TempDir dir;
    std::string home = dir.File("home");
    std::string volume = dir.File("media/usb");
    ShellNamespace shell;
};

const ItemId kHome = VirtualId(VI_HOME);
const ItemId kComputer = VirtualId(VI_COMPUTER);

} // namespace

TEST_F(ShellNamespaceTest, PathsRouteToTheLongestFolderThatHoldsThem) {
    // Volumes are only looked for under /media, /run/media and /mnt, so
    // the test's volume is listed by hand.
    struct Case {
        std::string path;
        ItemIds item;
    };
    const Case cases[] = {
        {home + "/Music/", {kHome, NameId(IK_FOLDER, "Music", 0)}},
        {home + "//Music/./Rock/../Rock",
         {kHome, NameId(IK_FOLDER, "Music", 0), NameId(IK_FOLDER, "Rock", 0)}},
        {home + "/Desktop/notes", {NameId(IK_FOLDER, "notes", 0)}},
        // The desktop's own folder is a folder like others, not the desktop.
        {home + "/Desktop/", {kHome, NameId(IK_FOLDER, "Desktop", 0)}},
        {home, {kHome}},
        {volume + "/Songs", {kComputer, VolumeId(volume), NameId(IK_FOLDER, "Songs", 0)}},
        {"/", {kComputer, VolumeId("/")}},
        {"/..", {kComputer, VolumeId("/")}},
        {"computer:///", {kComputer}},
        {"trash:///", {VirtualId(VI_TRASH)}},
    };
    for (const Case& c : cases) {
        ItemIds item;
        ASSERT_TRUE(shell.Parse(c.path, PM_EXISTING, &item)) << c.path;
        EXPECT_TRUE(SameItems(item, c.item)) << c.path;
    }
    ItemIds item;
    for (const std::string& bad : {std::string("Music"), home + "/Missing", home + "/Music/Rock/x/y",
                                   home + "/" + std::string(256, 'n'), home + std::string("/a\0b", 4)})
        EXPECT_FALSE(shell.Parse(bad, PM_EXISTING, &item)) << bad;
    ASSERT_TRUE(shell.Parse(home + "/Missing/Deeper", PM_LEXICAL, &item));
    std::string path;
    ASSERT_TRUE(shell.PathOf(item, &path));
    EXPECT_EQ(path, home + "/Missing/Deeper");
}

TEST_F(ShellNamespaceTest, ItemsHaveTheirNamesPathsAndAttributes) {
    std::filesystem::create_directories(home + "/.cache");
    std::filesystem::create_symlink(home + "/Music", home + "/Linked");
    testsupport::WriteFileText(home + "/box.ZIP", "PK");
    testsupport::WriteFileText(home + "/a.mp3", "x");
    const uint32_t all = 0xFFFFFFFF;
    // Names in a folder can be moved and renamed; what has a path copied;
    // everything linked to.
    const uint32_t named = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME;
    const uint32_t located = SFGAO_CANCOPY | SFGAO_CANLINK;
    struct Case {
        ItemIds item;
        const char16_t* name;
        std::string path; // "" for none
        uint32_t attributes;
    };
    const Case cases[] = {
        {{},
         u"Desktop",
         home + "/Desktop",
         SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | located},
        {{kHome},
         u"Home",
         home,
         SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | located},
        {{kComputer},
         u"Computer",
         "",
         SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_CANLINK},
        {{VirtualId(VI_TRASH)}, u"Trash", "", SFGAO_FOLDER | SFGAO_CANLINK},
        {{kComputer, VolumeId("/")},
         u"File System",
         "/",
         SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | located},
        {{kComputer, VolumeId(volume)},
         u"usb",
         volume,
         SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | located},
        {{kHome, NameId(IK_FOLDER, ".cache", IF_HIDDEN)},
         u".cache",
         home + "/.cache",
         SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | named | SFGAO_HIDDEN},
        {{kHome, NameId(IK_FOLDER, "Linked", IF_SYMLINK)},
         u"Linked",
         home + "/Linked",
         SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | named | SFGAO_LINK | SFGAO_HASSUBFOLDER},
        {{kHome, NameId(IK_FILE, "box.ZIP", 0)},
         u"box.ZIP",
         home + "/box.ZIP",
         SFGAO_FOLDER | SFGAO_STREAM | SFGAO_FILESYSTEM | named},
        {{kHome, NameId(IK_FILE, "a.mp3", 0)},
         u"a.mp3",
         home + "/a.mp3",
         SFGAO_STREAM | SFGAO_FILESYSTEM | named},
        {{kHome, NameId(IK_FILE, "gone", 0)}, u"gone", home + "/gone", 0},
        {{kComputer, VolumeId("/media/unmounted")}, u"unmounted", "/media/unmounted", 0},
    };
    for (const Case& c : cases) {
        std::string label(c.name, c.name + std::char_traits<char16_t>::length(c.name));
        EXPECT_EQ(shell.DisplayName(c.item, SHGDN_INFOLDER), c.name) << label;
        std::string path;
        EXPECT_EQ(shell.PathOf(c.item, &path), !c.path.empty()) << label;
        EXPECT_EQ(path, c.path) << label;
        EXPECT_EQ(shell.Attributes(c.item, all), c.attributes) << label;
    }
    EXPECT_EQ(shell.DisplayName({kComputer}, SHGDN_FORPARSING), u"computer:///");
    // A name that is not UTF-8 is shown with a replacement character.
    EXPECT_EQ(shell.DisplayName({kHome, NameId(IK_FOLDER, "caf\xE9", 0)}, SHGDN_INFOLDER), u"caf\uFFFD");
    EXPECT_FALSE(IsUtf8("caf\xE9"));
}

TEST_F(ShellNamespaceTest, ListsChildrenInTheirOrderAndByTheFlags) {
    for (const char* name : {"b", "A", "a", "10", "9", "Rock", "rock", ".dot"})
        std::filesystem::create_directories(home + "/Sort/" + name);
    for (const char* name : {"file.txt", "arc.zip"})
        testsupport::WriteFileText(home + "/Sort/" + name, "x");
    const ItemIds sort = {kHome, NameId(IK_FOLDER, "Sort", 0)};
    EXPECT_EQ(Names(sort, SHCONTF_FOLDERS),
              (std::vector<std::string>{"9", "10", "A", "a", "b", "Rock", "rock", "arc.zip"}));
    EXPECT_EQ(
        Names(sort, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN),
        (std::vector<std::string>{".dot", "9", "10", "A", "a", "b", "Rock", "rock", "arc.zip", "file.txt"}));
    // The desktop shows Home, Computer and Trash before its own folder's
    // entries; Computer shows File System before the volumes.
    EXPECT_EQ(Names({}, SHCONTF_FOLDERS), (std::vector<std::string>{"\x01", "\x02", "\x03", "notes"}));
    EXPECT_EQ(Names({kComputer}, SHCONTF_FOLDERS), (std::vector<std::string>{"/", volume}));
    EXPECT_EQ(Names({VirtualId(VI_TRASH)}, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), std::vector<std::string>{});
    std::vector<ItemId> none;
    EXPECT_EQ(shell.Enumerate({kHome, NameId(IK_FOLDER, "missing", 0)}, SHCONTF_FOLDERS, &none), ENOENT);
}

TEST_F(ShellNamespaceTest, RenamesAndNewFoldersTakeOneFreeComponent) {
    std::filesystem::create_directories(home + "/Music/Jazz");
    const ItemIds rock = {kHome, NameId(IK_FOLDER, "Music", 0), NameId(IK_FOLDER, "Rock", 0)};
    ItemId renamed;
    for (const char16_t* bad : {u"", u".", u"..", u"a/b", u"Jazz"}) {
        int expected = std::u16string_view(bad) == u"Jazz" ? EEXIST : EINVAL;
        EXPECT_EQ(shell.Rename(rock, bad, &renamed), expected) << (bad[0] ? "name" : "empty");
    }
    EXPECT_EQ(shell.Rename(rock, std::u16string(u"a\0b", 3), &renamed), EINVAL);
    EXPECT_TRUE(std::filesystem::exists(home + "/Music/Rock"));
    ASSERT_EQ(shell.Rename(rock, u"Rock & Roll", &renamed), 0);
    EXPECT_TRUE(SameItem(renamed, NameId(IK_FOLDER, "Rock & Roll", 0)));
    EXPECT_TRUE(std::filesystem::is_directory(home + "/Music/Rock & Roll"));

    ItemId created;
    const ItemIds music = {kHome, NameId(IK_FOLDER, "Music", 0)};
    EXPECT_EQ(shell.CreateFolder(music, u"x/y", &created), EINVAL);
    EXPECT_EQ(shell.CreateFolder(music, u"Jazz", &created), EEXIST);
    ASSERT_EQ(shell.CreateFolder(music, u"Blues", &created), 0);
    EXPECT_TRUE(SameItem(created, NameId(IK_FOLDER, "Blues", 0)));
}

TEST_F(ShellNamespaceTest, SpecialFoldersComeFromTheXdgSettingsEvenWhenMissing) {
    testsupport::WriteFileText(dir.File("user-dirs.dirs"), "XDG_MUSIC_DIR=\"$HOME/My Music\"\n");
    testsupport::ScopedEnv homeEnv("HOME", home), config("XDG_CONFIG_HOME", dir.Path());
    struct Case {
        int32_t csidl;
        ItemIds item;
    };
    const Case cases[] = {
        {0, {}},
        {10, {VirtualId(VI_TRASH)}},
        {13, {kHome, NameId(IK_FOLDER, "My Music", 0)}},
        {16, {kHome, NameId(IK_FOLDER, "Desktop", 0)}},
        {17, {kComputer}},
        {40, {kHome}},
    };
    for (const Case& c : cases) {
        ItemIds item;
        ASSERT_TRUE(SpecialFolderItem(shell, c.csidl, &item)) << c.csidl;
        EXPECT_TRUE(SameItems(item, c.item)) << c.csidl;
    }
    ItemIds music;
    ASSERT_TRUE(SpecialFolderItem(shell, 13, &music));
    std::string path;
    ASSERT_TRUE(shell.PathOf(music, &path));
    EXPECT_EQ(path, home + "/My Music");
    for (int32_t unknown : {1, 2, 36, -1})
        EXPECT_FALSE(SpecialFolderItem(shell, unknown, &music)) << unknown;
}
