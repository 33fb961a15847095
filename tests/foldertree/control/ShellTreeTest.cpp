// The tree window over a temporary home folder: what folders show, how
// they follow changes on disk, renaming, lookups and inherited check boxes.
#include "foldertree/automation/Utf16.h"
#include "tests/foldertree/TreeFixture.h"

#include <algorithm>
#include <filesystem>

using namespace pgv;
using namespace pgvtest;

namespace {

class ShellTreeTest : public TreeFixture {
  protected:
    TreeHandle Handle(ax::IDispatch* node) {
        ax::ScopedVariant id;
        EXPECT_EQ(Get(node, PGVN_ID, &id), ax::S_OK);
        return static_cast<TreeHandle>(id.dblVal);
    }
    bool HasButton(ax::IDispatch* node) { return control->Tree().View().HasButton(Handle(node)); }
    bool IsCut(ax::IDispatch* node) { return control->Tree().View().State(Handle(node), TVIS_CUT) != 0; }
    NodePtr Expanded(const std::string& relative) {
        NodePtr node = GetNode(relative);
        EXPECT_TRUE(node) << relative;
        if (node) {
            EXPECT_EQ(pgvtest::Put(node.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
        }
        return node;
    }
    // How often event `id` carried a node labelled `label` (the parents of
    // the temporary folder are shared, so others may show up).
    int Occurrences(ax::DISPID id, const std::u16string& label) {
        std::vector<std::u16string> nodes = events->Nodes(id);
        return static_cast<int>(std::count(nodes.begin(), nodes.end(), label));
    }
    // Runs the loop until the watcher's changes are in.
    void PumpChanges() {
        for (int i = 0; i < 3; ++i)
            Pump();
    }
};

} // namespace

TEST_F(ShellTreeTest, FoldersShowButtonsHiddenLooksAndSpecialItemsByTheSettings) {
    MakeDirs({"Box/OnlyFiles", "Box/Sub/Inner", "Box/Empty", "Box/.dot"});
    MakeFile("Box/OnlyFiles/a.mp3");
    MakeFile("Box/box.zip");
    MakeFile("Box/song.mp3");
    struct Case {
        const char* what;
        bool showFiles, query, zip, hidden;
        // Children of Box in order, each "name" plus " +" for a button and
        // " cut" for the hidden look.
        std::vector<std::u16string> children;
    };
    const Case cases[] = {
        {"defaults", false, true, false, true, {u".dot cut", u"Empty", u"OnlyFiles", u"Sub +", u"box.zip"}},
        {"no hidden", false, true, false, false, {u"Empty", u"OnlyFiles", u"Sub +", u"box.zip"}},
        {"files",
         true,
         true,
         false,
         true,
         {u".dot cut +", u"Empty +", u"OnlyFiles +", u"Sub +", u"box.zip", u"song.mp3"}},
        {"no query",
         false,
         false,
         false,
         true,
         {u".dot cut +", u"Empty +", u"OnlyFiles +", u"Sub +", u"box.zip"}},
        {"zip folders",
         false,
         false,
         true,
         true,
         {u".dot cut +", u"Empty +", u"OnlyFiles +", u"Sub +", u"box.zip +"}},
    };
    for (const Case& c : cases) {
        Start([&] {
            PutSetting(PGVC_SHOWFILES, ax::MakeBool(c.showFiles));
            PutSetting(PGVC_QUERYHASSUBFOLDERS, ax::MakeBool(c.query));
            PutSetting(PGVC_ALLOWZIPFOLDERS, ax::MakeBool(c.zip));
            PutSetting(PGVC_SHOWHIDDENOBJECTS, ax::MakeBool(c.hidden));
        });
        NodePtr box = Expanded("Box");
        ASSERT_TRUE(box) << c.what;
        std::vector<std::u16string> shown;
        for (NodePtr child = NodeMember(box.Get(), PGVN_CHILD); child;
             child = NodeMember(child.Get(), PGVN_NEXTSIBLING))
            shown.push_back(Label(child.Get()) + (IsCut(child.Get()) ? u" cut" : u"") +
                            (HasButton(child.Get()) ? u" +" : u""));
        EXPECT_EQ(shown, c.children) << c.what;
        // Expanding a folder with nothing to list takes its button away.
        NodePtr onlyFiles = ChildNamed(box.Get(), u"OnlyFiles");
        EXPECT_EQ(pgvtest::Put(onlyFiles.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
        EXPECT_EQ(HasButton(onlyFiles.Get()), c.showFiles) << c.what;
        control->Close();
    }
}

TEST_F(ShellTreeTest, TheDesktopListsHomeComputerAndTrashOnlyWithSpecialFolders) {
    MakeDirs({"Desktop/Notes"});
    Start();
    EXPECT_EQ(Outline(control.Get()),
              (std::vector<std::u16string>{u"Desktop", u"  Home", u"  Computer", u"  Trash", u"  Notes"}));
    PutSetting(PGVC_SHOWSPECAILFOLDERS, ax::MakeBool(false));
    EXPECT_EQ(Outline(control.Get()),
              (std::vector<std::u16string>{u"Desktop", u"  Home", u"  Computer", u"  Notes"}));
}

TEST_F(ShellTreeTest, NamesSortNaturallyWithFoldersFirstAndCaseKeptApart) {
    MakeDirs({"S/b", "S/A", "S/a", "S/10", "S/9", "S/Rock", "S/rock"});
    MakeFile("S/0.txt");
    Start([&] { PutSetting(PGVC_SHOWFILES, ax::MakeBool(true)); });
    NodePtr sorted = Expanded("S");
    EXPECT_EQ(ChildLabels(sorted.Get()),
              (std::vector<std::u16string>{u"9", u"10", u"A", u"a", u"b", u"Rock", u"rock", u"0.txt"}));
}

TEST_F(ShellTreeTest, ChangesOnDiskReachEveryFilledAliasWhileInUserMode) {
    MakeDirs({"Music/Jazz", "Music/Rock/Live", "Other"});
    Start();
    NodePtr music = Expanded("Music");
    // The same folder under File System, reached by its path's components.
    NodePtr folder = NodeMember(control.Get(), PGVC_GETFIRSTITEM);
    folder = ChildNamed(folder.Get(), u"Computer");
    ASSERT_EQ(pgvtest::Put(folder.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
    folder = ChildNamed(folder.Get(), u"File System");
    for (const auto& part : std::filesystem::path(Home("Music")).relative_path()) {
        folder = NodeMember(folder.Get(), PGVN_FINDCHILD, {ax::MakeBstr(ax::Utf8ToUtf16(part.string()))});
        ASSERT_TRUE(folder) << part;
    }
    ASSERT_EQ(pgvtest::Put(folder.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
    events->fired.clear();

    std::filesystem::create_directory(Home("Music/Blues"));
    PumpChanges();
    EXPECT_EQ(ChildLabels(music.Get()), (std::vector<std::u16string>{u"Blues", u"Jazz", u"Rock"}));
    EXPECT_EQ(ChildLabels(folder.Get()), (std::vector<std::u16string>{u"Blues", u"Jazz", u"Rock"}));
    EXPECT_EQ(Occurrences(PGVE_ONAFTERNODEADD, u"Blues"), 2);

    // A rename under an expanded parent replaces the node; a file shows
    // nothing without ShowFiles; a folder that was never shown changes
    // nothing when it goes.
    events->fired.clear();
    std::filesystem::rename(Home("Music/Rock"), Home("Music/Pop"));
    testsupport::WriteFileText(Home("Music/new.mp3"), "x");
    std::filesystem::remove(Home("Music/Pop/Live"));
    PumpChanges();
    EXPECT_EQ(ChildLabels(music.Get()), (std::vector<std::u16string>{u"Blues", u"Jazz", u"Pop"}));
    EXPECT_EQ(Occurrences(PGVE_ONBEFORENODEDELETE, u"Rock"), 2);
    EXPECT_EQ(Occurrences(PGVE_ONAFTERNODEADD, u"Pop"), 2);
    EXPECT_EQ(Occurrences(PGVE_ONAFTERNODEADD, u"new.mp3"), 0);

    // Outside user mode the tree stays as it is.
    site->SetAmbient(AMBIENT_USERMODE, ax::MakeBool(false));
    std::filesystem::create_directory(Home("Music/Folk"));
    PumpChanges();
    EXPECT_EQ(ChildLabels(music.Get()), (std::vector<std::u16string>{u"Blues", u"Jazz", u"Pop"}));
    EXPECT_TRUE(log.empty()) << log.front();
}

TEST_F(ShellTreeTest, LabelEditingRenamesOnDiskAndRefusesBadOrTakenNames) {
    MakeDirs({"Music/Rock/Live", "Music/Jazz"});
    Start();
    NodePtr music = Expanded("Music");
    NodePtr rock = ChildNamed(music.Get(), u"Rock");
    ASSERT_EQ(pgvtest::Put(rock.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
    NodePtr live = ChildNamed(rock.Get(), u"Live");
    auto rename = [&](const std::u16string& typed) {
        EXPECT_EQ(Call(rock.Get(), PGVN_BEGINLABELEDIT, ax::DISPATCH_METHOD, {}), ax::S_OK);
        for (char16_t c : typed)
            control->TreeInput(IM_CHAR, c, 0, 0, 0);
        EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_RETURN), ax::S_OK);
    };
    const std::u16string refused[] = {u"a/b", u".", u"..", u" . ", u"Jazz", std::u16string(u"x\0y", 3)};
    for (const std::u16string& bad : refused) {
        rename(bad);
        EXPECT_EQ(Label(rock.Get()), u"Rock");
        EXPECT_TRUE(std::filesystem::is_directory(Home("Music/Rock")));
        EXPECT_TRUE(std::filesystem::is_directory(Home("Music/Jazz")));
    }
    EXPECT_EQ(log.size(), 6u);
    // Trailing dots and blanks go; the node keeps its place among its
    // sorted siblings, and its subtree follows.
    rename(u"Blues. ");
    EXPECT_EQ(Label(rock.Get()), u"Blues");
    EXPECT_TRUE(std::filesystem::is_directory(Home("Music/Blues/Live")));
    EXPECT_EQ(ChildLabels(music.Get()), (std::vector<std::u16string>{u"Blues", u"Jazz"}));
    ax::ScopedVariant path;
    EXPECT_EQ(Get(live.Get(), PGVN_PATH, &path), ax::S_OK);
    EXPECT_EQ(ax::BstrView(path.bstrVal), ax::Utf8ToUtf16(Home("Music/Blues/Live")));
    // The host may cancel, and Escape abandons.
    events->cancel = {PGVE_ONAFTERNODERENAME};
    rename(u"Soul");
    EXPECT_EQ(Label(rock.Get()), u"Blues");
    events->cancel.clear();
    EXPECT_EQ(Call(rock.Get(), PGVN_BEGINLABELEDIT, ax::DISPATCH_METHOD, {}), ax::S_OK);
    EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_ESCAPE), ax::S_OK);
    EXPECT_TRUE(std::filesystem::is_directory(Home("Music/Blues")));
}

TEST_F(ShellTreeTest, GetNodeAddsAndExpandsOnlyWhenAskedAndStaysInsideTheRoot) {
    MakeDirs({"Music/Rock/Live", "Other/x"});
    Start();
    EXPECT_FALSE(GetNode("Music/Rock", false));
    EXPECT_FALSE(GetNode("Music/Missing", true));
    events->fired.clear();
    NodePtr rock = GetNode("Music/Rock", true);
    ASSERT_TRUE(rock);
    EXPECT_EQ(Label(rock.Get()), u"Rock");
    EXPECT_EQ(events->Nodes(PGVE_NODEEXPANDING), (std::vector<std::u16string>{u"Home", u"Music"}));
    EXPECT_EQ(events->Nodes(PGVE_NODEEXPANDED), (std::vector<std::u16string>{u"Home", u"Music"}));
    EXPECT_TRUE(GetNode("Music/Rock", false));
    // A host that cancels the expansion leaves the folder unlisted.
    events->cancel = {PGVE_NODEEXPANDING};
    NodePtr other = GetNode("Other", true);
    ASSERT_TRUE(other);
    EXPECT_EQ(pgvtest::Put(other.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
    EXPECT_FALSE(NodeMember(other.Get(), PGVN_CHILD));
    events->cancel.clear();

    PutSetting(PGVC_ROOTFOLDER, ax::MakeBstr(ax::Utf8ToUtf16(Home("Music"))));
    EXPECT_FALSE(GetNode("Music/Rock/Live", false));
    EXPECT_TRUE(GetNode("Music/Rock/Live", true));
    EXPECT_FALSE(GetNode("Other", true));
}

TEST_F(ShellTreeTest, NewChildrenInheritTheCheckOfTheirOwnParent) {
    MakeDirs({"Checked/a", "Partly/b", "Partly/c", "Self/d", "Plain/e"});
    Start([&] {
        PutSetting(PGVC_SHOWCHECKBOXES, ax::MakeBool(true));
        PutSetting(PGVC_AUTOCHECKCHILDREN, ax::MakeBool(true));
    });
    NodePtr checked = GetNode("Checked"), partly = GetNode("Partly"), self = GetNode("Self");
    SetChecked(checked.Get(), true);
    ASSERT_EQ(pgvtest::Put(partly.Get(), PGVN_CHECKSTATE, ax::MakeI4(CS_CHILDCHECKED)), ax::S_OK);
    ASSERT_EQ(pgvtest::Put(self.Get(), PGVN_CHECKSTATE, ax::MakeI4(CS_SELFANDCHILDCHECKED)), ax::S_OK);
    for (const char* name : {"Checked", "Partly", "Self"})
        Expanded(name);
    EXPECT_EQ(CheckState(ChildNamed(checked.Get(), u"a").Get()), CS_CHECKED);
    EXPECT_EQ(CheckState(ChildNamed(partly.Get(), u"b").Get()), CS_UNCHECKED);
    EXPECT_EQ(CheckState(ChildNamed(self.Get(), u"d").Get()), CS_CHECKED);
    EXPECT_EQ(CheckState(partly.Get()), CS_UNCHECKED);
    // Another folder's listing in between does not decide for a change
    // notification's new child.
    Expanded("Plain");
    std::filesystem::create_directory(Home("Checked/z"));
    std::filesystem::create_directory(Home("Partly/z"));
    PumpChanges();
    EXPECT_EQ(CheckState(ChildNamed(checked.Get(), u"z").Get()), CS_CHECKED);
    EXPECT_EQ(CheckState(ChildNamed(partly.Get(), u"z").Get()), CS_UNCHECKED);
    EXPECT_EQ(CheckState(checked.Get()), CS_CHECKED);
    // A name that is not UTF-8 shows with a replacement character and is
    // never offered as a share, not even under a checked folder.
    std::filesystem::create_directory(Home("Checked/caf\xE9"));
    PumpChanges();
    NodePtr odd = ChildNamed(checked.Get(), u"caf\uFFFD");
    ASSERT_TRUE(odd);
    EXPECT_EQ(CheckState(odd.Get()), CS_NOCHECKBOXES);
    ax::ScopedVariant path;
    EXPECT_EQ(Get(odd.Get(), PGVN_PATH, &path), ax::S_OK);
    EXPECT_EQ(ax::BstrLength(path.bstrVal), 0u);
    SetChecked(checked.Get(), false);
    SetChecked(checked.Get(), true);
    EXPECT_EQ(CheckState(odd.Get()), CS_NOCHECKBOXES);
}
