// The context menu of a node as the host and the user see it: the shell's
// verbs and the custom items with their ids, the host's changes to the
// menu, what the chosen entry does (rename, the Trash, the clipboard,
// paste, open, links) and the keys that run the same commands.
#include "foldertree/automation/Utf16.h"
#include "foldertree/shell/Clipboard.h"
#include "foldertree/shell/ShellLauncher.h"
#include "tests/foldertree/TreeFixture.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

using namespace pgv;
using namespace pgvtest;

namespace {

using Entry = ScriptedPresenter::Entry;

std::vector<std::vector<std::string>> g_launched;

int RecordLaunch(const std::vector<std::string>& argv) {
    g_launched.push_back(argv);
    return 0;
}

class ContextMenuTest : public TreeFixture {
  protected:
    void SetUp() override {
        TreeFixture::SetUp();
        Clipboard::Instance().Clear();
        g_launched.clear();
        SetLaunchOverride(RecordLaunch);
    }
    void TearDown() override {
        SetLaunchOverride(nullptr);
        TreeFixture::TearDown();
    }
    void RightClick(ax::IDispatch* node, uint32_t modifiers = 0) {
        int32_t x = 0, y = 0;
        LabelPointOf(control.Get(), node, &x, &y);
        EXPECT_EQ(control->TreeInput(IM_RBUTTONDOWN, 0, modifiers, x, y), ax::S_OK);
        EXPECT_EQ(control->TreeInput(IM_RBUTTONUP, 0, modifiers, x, y), ax::S_OK);
    }
    void Choose(const std::u16string& caption) {
        presenter->chooseFromMenu = [caption](const std::vector<Entry>& menu) {
            return ScriptedPresenter::IdOf(menu, caption);
        };
    }
    void Key(uint32_t key, uint32_t modifiers = 0) {
        EXPECT_EQ(control->TreeInput(IM_KEYDOWN, key, modifiers, 0, 0), ax::S_OK);
        EXPECT_EQ(control->TreeInput(IM_KEYUP, key, modifiers, 0, 0), ax::S_OK);
    }
    bool Execute(ax::IDispatch* node, int32_t command) {
        return NumberMember(node, PGVN_EXECUTESHELLCOMMAND, {ax::MakeI4(command)}) != 0;
    }
    std::string TrashFile(const std::string& name) const { return dir.File("data/Trash/files/" + name); }
};

} // namespace

TEST_F(ContextMenuTest, ShellVerbsComeFirstFromTenThenTheCustomItemsAndTheHostsOwn) {
    MakeDirs({"Music"});
    Start();
    Method(PGVC_ADDCUSTOMCONTEXTMENUITEM, {ax::MakeBstr(u"Share"), ax::MakeI4(PGV_MENUCHECKED)});
    Method(PGVC_ADDCUSTOMCONTEXTMENUITEM, {ax::MakeBstr(u"Never"), ax::MakeI4(PGV_MENUDISABLED)});
    NodePtr music = GetNode("Music");
    int32_t hostId = 0;
    events->handler = [&](ax::DISPID id, ax::DispParams* params) {
        if (id == PGVE_ONCONTEXTMENUPOPUP) {
            NodePtr added = NodeMember(params->args[0].pdispVal, PGVM_ADDITEM, {ax::MakeBstr(u"Host")});
            hostId = NumberMember(added.Get(), PGVI_ID);
        }
    };
    struct Case {
        uint32_t modifiers;
        std::vector<std::u16string> captions;
    };
    const std::vector<std::u16string> plain = {
        u"&Open",        u"Open &Folder",   u"",        u"Cu&t",  u"&Copy", u"&Paste", u"",
        u"Create &Link", u"&Move to Trash", u"Rena&me", u"Share", u"Never", u"Host"};
    std::vector<std::u16string> extended = plain;
    extended.insert(extended.begin() + 5, u"Copy as &Path"); // with Shift
    for (const Case& c : {Case{0, plain}, Case{MOD_SHIFT, extended}}) {
        presenter->menus.clear();
        Choose(u"Share");
        events->fired.clear();
        RightClick(music.Get(), c.modifiers);
        ASSERT_EQ(presenter->menus.size(), 1u);
        const std::vector<Entry>& menu = presenter->menus[0];
        EXPECT_EQ(ScriptedPresenter::Captions(menu), c.captions);
        const int32_t verbs = static_cast<int32_t>(c.captions.size()) - 5; // two separators, three items
        EXPECT_EQ(ScriptedPresenter::IdOf(menu, u"Open"), 10);
        EXPECT_EQ(ScriptedPresenter::IdOf(menu, u"Share"), 10 + verbs);
        EXPECT_EQ(hostId, 12 + verbs);
        for (const Entry& entry : menu) {
            int32_t expected = entry.caption.empty()                                     ? PGV_MENUSEPARATOR
                               : entry.caption == u"Share"                               ? PGV_MENUCHECKED
                               : entry.caption == u"Never" || entry.caption == u"&Paste" ? PGV_MENUDISABLED
                                                                                         : 0;
            EXPECT_EQ(entry.state, expected) << ax::Utf16ToUtf8(entry.caption);
        }
        EXPECT_EQ(events->Sequence(),
                  (std::vector<ax::DISPID>{PGVE_NODERIGHTCLICK, PGVE_ONCUSTOMCONTEXTMENUITEMADD,
                                           PGVE_ONCONTEXTMENUPOPUP, PGVE_ONCUSTOMCONTEXTMENUITEMSELECT,
                                           PGVE_ONCUSTOMCONTEXTMENUITEMSELECT2}));
        EXPECT_EQ(events->Nodes(PGVE_ONCUSTOMCONTEXTMENUITEMSELECT2),
                  (std::vector<std::u16string>{u"Music"}));
    }
    // A handler's CancelEvent in NodeRightClick keeps the menu away.
    events->handler = [&](ax::DISPID id, ax::DispParams*) {
        if (id == PGVE_NODERIGHTCLICK)
            Put(control.Get(), PGVC_CANCELEVENT, ax::MakeBool(true));
    };
    RightClick(music.Get());
    EXPECT_EQ(presenter->menus.size(), 1u);
}

TEST_F(ContextMenuTest, TheHostChangesTheMenuBeforeItShowsOrCancelsIt) {
    MakeDirs({"Music"});
    Start();
    NodePtr music = GetNode("Music");
    events->handler = [&](ax::DISPID id, ax::DispParams* params) {
        if (id != PGVE_ONCONTEXTMENUPOPUP)
            return;
        ax::IDispatch* menu = params->args[0].pdispVal;
        const int32_t count = NumberMember(menu, PGVM_ITEMCOUNT);
        EXPECT_EQ(count, 10);
        EXPECT_EQ(TextMember(NodeMember(menu, PGVM_FINDITEM, {ax::MakeBstr(u"open")}).Get(), PGVI_CAPTION),
                  u"&Open");
        EXPECT_EQ(TextMember(NodeMember(menu, PGVM_FINDITEM, {ax::MakeBstr(u"MOVE TO")}).Get(), PGVI_CAPTION),
                  u"&Move to Trash");
        EXPECT_FALSE(NodeMember(menu, PGVM_FINDITEM, {ax::MakeBstr(u"zzz")}));
        // Out of range: nothing found, nothing inserted, nothing removed.
        EXPECT_FALSE(NodeMember(menu, PGVM_GETITEM, {ax::MakeI4(count)}));
        EXPECT_FALSE(NodeMember(menu, PGVM_GETITEM, {ax::MakeI4(-1)}));
        EXPECT_FALSE(NodeMember(menu, PGVM_INSERTITEM, {ax::MakeBstr(u"Beyond"), ax::MakeI4(count + 1)}));
        NodeMember(menu, PGVM_REMOVEITEM, {ax::MakeI4(count + 5)});
        NodePtr last = NodeMember(menu, PGVM_INSERTITEM, {ax::MakeBstr(u"Last"), ax::MakeI4(count)});
        EXPECT_EQ(NumberMember(last.Get(), PGVI_ID), 18); // after the shell's 10 to 17
        EXPECT_EQ(Put(last.Get(), PGVI_INDEX, ax::MakeI4(0)), ax::S_OK);
        EXPECT_EQ(Put(last.Get(), PGVI_INDEX, ax::MakeI4(99)), ax::S_OK);
        EXPECT_EQ(NumberMember(last.Get(), PGVI_INDEX), 0);
        EXPECT_EQ(Put(last.Get(), PGVI_HASSUBMENU, ax::MakeBool(true)), ax::S_OK);
        EXPECT_EQ(Put(last.Get(), PGVI_DEFAULTITEM, ax::MakeBool(true)), ax::S_OK);
        NodePtr sub = NodeMember(last.Get(), PGVI_SUBMENU);
        NodePtr inner = NodeMember(sub.Get(), PGVM_ADDITEM, {ax::MakeBstr(u"Inner")});
        EXPECT_EQ(Put(inner.Get(), PGVI_RADIOCHECKED, ax::MakeBool(true)), ax::S_OK);
        NodePtr open = NodeMember(menu, PGVM_GETITEM, {ax::MakeI4(1)});
        EXPECT_EQ(Put(open.Get(), PGVI_ENABLED, ax::MakeBool(false)), ax::S_OK);
        EXPECT_EQ(Put(open.Get(), PGVI_BARBREAK, ax::MakeBool(true)), ax::S_OK);
    };
    RightClick(music.Get());
    ASSERT_EQ(presenter->menus.size(), 1u);
    const std::vector<Entry>& menu = presenter->menus[0];
    ASSERT_GE(menu.size(), 3u);
    EXPECT_EQ(menu[0], (Entry{u"Last", 18, MEF_SUBMENU | MEF_DEFAULT, 0}));
    EXPECT_EQ(menu[1], (Entry{u"Inner", 19, PGV_MENUCHECKED | MEF_RADIO, 1}));
    EXPECT_EQ(menu[2], (Entry{u"&Open", 10, PGV_MENUDISABLED | MEF_BARBREAK, 0}));

    // A cancelled popup shows nothing and runs nothing.
    events->handler = nullptr;
    events->cancel = {PGVE_ONCONTEXTMENUPOPUP};
    Choose(u"Move to Trash");
    RightClick(music.Get());
    EXPECT_EQ(presenter->menus.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(Home("Music")));
}

TEST_F(ContextMenuTest, RenameStartsLabelEditingOnceTheMenuIsGoneAndHintsAreTheShells) {
    MakeDirs({"Music"});
    Start();
    Method(PGVC_ADDCUSTOMCONTEXTMENUITEM, {ax::MakeBstr(u"Share"), ax::MakeI4(0)});
    NodePtr music = GetNode("Music");
    NodePtr shown;
    int32_t countWhenEditing = -1;
    events->handler = [&](ax::DISPID id, ax::DispParams* params) {
        if (id == PGVE_ONCONTEXTMENUPOPUP)
            shown = NodePtr(params->args[0].pdispVal);
        if (id == PGVE_ONBEFORENODERENAME)
            countWhenEditing = NumberMember(shown.Get(), PGVM_ITEMCOUNT);
    };
    presenter->chooseFromMenu = [&](const std::vector<Entry>& menu) {
        EXPECT_EQ(control->MenuSelect(ScriptedPresenter::IdOf(menu, u"Open")), ax::S_OK);
        EXPECT_EQ(control->MenuSelect(ScriptedPresenter::IdOf(menu, u"Share")), ax::S_FALSE);
        return ScriptedPresenter::IdOf(menu, u"Rename");
    };
    RightClick(music.Get());
    EXPECT_EQ(countWhenEditing, 0);
    EXPECT_EQ(control->Tree().View().EditItem(), ItemOf(music.Get()));
    EXPECT_EQ(events->Count(PGVE_ONCONTEXTMENUHINT), 1u);
    EXPECT_EQ(events->Count(PGVE_ONBEFORESHELLCOMMANDEXECUTE), 1u);
    EXPECT_EQ(control->MenuSelect(10), ax::S_FALSE); // no menu is up
}

TEST_F(ContextMenuTest, DeleteMovesToTheTrashWithItsInfoAndARefusalKeepsTheFolder) {
    MakeDirs({"Old/inner", "Another/Old"});
    Start();
    NodePtr old = GetNode("Old");
    presenter->confirm = false;
    Choose(u"Move to Trash");
    RightClick(old.Get());
    ASSERT_EQ(presenter->confirmations.size(), 1u);
    EXPECT_EQ(presenter->confirmations[0], u"Are you sure you want to move \"Old\" to the Trash?");
    EXPECT_TRUE(std::filesystem::exists(Home("Old/inner")));

    presenter->confirm = true;
    RightClick(old.Get());
    EXPECT_FALSE(std::filesystem::exists(Home("Old")));
    EXPECT_TRUE(std::filesystem::exists(TrashFile("Old/inner")));
    std::string info = testsupport::ReadFileText(dir.File("data/Trash/info/Old.trashinfo"));
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + Home("Old") + "\nDeletionDate=", 0), 0u) << info;
    EXPECT_FALSE(GetNode("Old", false));

    // The Delete key, without dialogs: no question; a taken name is numbered.
    PutSetting(PGVC_SHOWUIDIALOGS, ax::MakeBool(false));
    NodePtr second = GetNode("Another/Old");
    EXPECT_EQ(Put(second.Get(), PGVN_SELECTED, ax::MakeBool(true)), ax::S_OK);
    events->cancel = {PGVE_ONBEFORESHELLCOMMANDEXECUTE};
    Key(VK_DELETE);
    EXPECT_TRUE(std::filesystem::exists(Home("Another/Old")));
    events->cancel.clear();
    Key(VK_DELETE);
    EXPECT_FALSE(std::filesystem::exists(Home("Another/Old")));
    EXPECT_TRUE(std::filesystem::exists(TrashFile("Old (2)")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("data/Trash/info/Old (2).trashinfo")));
    EXPECT_EQ(presenter->confirmations.size(), 2u);
}

TEST_F(ContextMenuTest, CutAndPasteNeverOverwriteAndTheCutLookFollowsTheClipboard) {
    MakeDirs({"A/x", "B/A", "C"});
    MakeFile("B/A/keep");
    std::filesystem::create_symlink(Home("B"), Home("C/link"));
    Start();
    NodePtr a = GetNode("A"), b = GetNode("B"), c = GetNode("C");
    EXPECT_EQ(Put(a.Get(), PGVN_SELECTED, ax::MakeBool(true)), ax::S_OK);
    Key('X', MOD_CTRL);
    const TreeHandle cutItem = ItemOf(a.Get());
    EXPECT_TRUE(control->Tree().View().State(cutItem, TVIS_CUT));
    EXPECT_TRUE(Execute(b.Get(), CMD_PASTE));
    EXPECT_TRUE(std::filesystem::exists(Home("B/A (2)/x")));
    EXPECT_TRUE(std::filesystem::exists(Home("B/A/keep")));
    EXPECT_FALSE(std::filesystem::exists(Home("A")));
    EXPECT_FALSE(control->Tree().View().Exists(cutItem));
    EXPECT_FALSE(Execute(b.Get(), CMD_PASTE)); // the move emptied the clipboard

    // Copies: a link stays a link; a copy into its own folder is numbered.
    NodePtr link = GetNode("C/link");
    EXPECT_TRUE(Execute(link.Get(), CMD_COPY));
    EXPECT_FALSE(control->Tree().View().State(ItemOf(link.Get()), TVIS_CUT));
    EXPECT_TRUE(Execute(c.Get(), CMD_PASTE));
    EXPECT_EQ(std::filesystem::read_symlink(Home("C/link (2)")), Home("B"));
    EXPECT_TRUE(Execute(c.Get(), CMD_PASTE));
    EXPECT_TRUE(std::filesystem::is_symlink(Home("C/link (3)")));

    // A cut look goes when something else is put on the clipboard.
    EXPECT_TRUE(Execute(c.Get(), CMD_CUT));
    EXPECT_TRUE(control->Tree().View().State(ItemOf(c.Get()), TVIS_CUT));
    EXPECT_TRUE(Execute(b.Get(), CMD_COPY));
    EXPECT_FALSE(control->Tree().View().State(ItemOf(c.Get()), TVIS_CUT));
    for (int32_t notOffered : {CMD_PROPERTIES, CMD_FIND, CMD_PRINT})
        EXPECT_FALSE(Execute(b.Get(), notOffered)) << notOffered;
}

TEST_F(ContextMenuTest, AMoveAcrossFileSystemsIsDoneOnceTheCopyIsWholeThoughPartOfTheSourceStays) {
    namespace fs = std::filesystem;
    MakeDirs({"Album", "B"});
    MakeFile("Album/a.mp3");
    MakeFile("Album/locked.mp3");
    Start();
    MoveAcrossFileSystemsWithLockedFiles();
    NodePtr album = GetNode("Album"), b = GetNode("B");
    // The paste uses up the cut: a second one makes no "Album (2)". What
    // could not be removed stays, with a warning.
    EXPECT_TRUE(Execute(album.Get(), CMD_CUT));
    EXPECT_TRUE(Execute(b.Get(), CMD_PASTE));
    EXPECT_TRUE(fs::exists(Home("B/Album/a.mp3")));
    EXPECT_TRUE(fs::exists(Home("B/Album/locked.mp3")));
    EXPECT_FALSE(fs::exists(Home("Album/a.mp3")));
    EXPECT_FALSE(Execute(b.Get(), CMD_PASTE));
    EXPECT_FALSE(fs::exists(Home("B/Album (2)")));
    const std::string warning = "Moved \"" + Home("Album") + "\" to \"" + Home("B/Album") + "\", but \"" +
                                Home("Album/locked.mp3") + "\" could not be removed: " + std::strerror(EPERM);
    EXPECT_EQ(std::count(log.begin(), log.end(), warning), 1) << ::testing::PrintToString(log);
    EXPECT_EQ(presenter->notices, std::vector<std::u16string>{u"Move: " + ax::Utf8ToUtf16(warning)});

    // Into the Trash likewise: the description stays, and so does the node.
    EXPECT_TRUE(Execute(album.Get(), CMD_DELETE));
    EXPECT_TRUE(fs::exists(TrashFile("Album/locked.mp3")));
    EXPECT_TRUE(fs::exists(dir.File("data/Trash/info/Album.trashinfo")));
    EXPECT_TRUE(fs::exists(Home("Album/locked.mp3")));
    EXPECT_TRUE(control->Tree().View().Exists(ItemOf(album.Get())));
    EXPECT_EQ(presenter->notices.size(), 2u);
    // Without dialogs the warning goes to the log only.
    PutSetting(PGVC_SHOWUIDIALOGS, ax::MakeBool(false));
    EXPECT_TRUE(Execute(album.Get(), CMD_DELETE));
    EXPECT_TRUE(fs::exists(dir.File("data/Trash/info/Album (2).trashinfo")));
    EXPECT_EQ(presenter->notices.size(), 2u);
}

TEST_F(ContextMenuTest, OpenLinkAndTheMenuKeyReachTheDesktopAndTheSelection) {
    MakeDirs({"Music"});
    MakeFile("Music/a.mp3");
    Start([&] { PutSetting(PGVC_SHOWFILES, ax::MakeBool(true)); });
    NodePtr music = GetNode("Music");
    NodePtr song = GetNode("Music/a.mp3");
    EXPECT_TRUE(Execute(music.Get(), CMD_OPEN));
    EXPECT_TRUE(Execute(song.Get(), CMD_EXPLORE));
    EXPECT_EQ(g_launched, (std::vector<std::vector<std::string>>{{"xdg-open", Home("Music")},
                                                                 {"xdg-open", Home("Music")}}));
    EXPECT_TRUE(Execute(song.Get(), CMD_CREATESHORTCUT));
    EXPECT_EQ(std::filesystem::read_symlink(Home("Music/Link to a.mp3")), Home("Music/a.mp3"));
    EXPECT_TRUE(GetNode("Music/Link to a.mp3", false));

    EXPECT_EQ(Put(music.Get(), PGVN_SELECTED, ax::MakeBool(true)), ax::S_OK);
    Key(VK_APPS);
    Key(VK_F10, MOD_SHIFT);
    int32_t x = 0, y = 0;
    LabelPointOf(control.Get(), music.Get(), &x, &y);
    EXPECT_EQ(presenter->menuPoints, (std::vector<std::pair<int32_t, int32_t>>{{x - 2, y}, {x - 2, y}}));
    PutSetting(PGVC_SHOWCONTEXTMENUS, ax::MakeBool(false));
    Key(VK_APPS);
    RightClick(music.Get());
    EXPECT_EQ(presenter->menus.size(), 2u);
    // The node method shows the menu whatever the setting.
    EXPECT_EQ(Call(music.Get(), PGVN_DISPLAYSHELLMENU, ax::DISPATCH_METHOD, {ax::MakeI4(5), ax::MakeI4(6)}),
              ax::S_OK);
    EXPECT_EQ(presenter->menuPoints.back(), (std::pair<int32_t, int32_t>{5, 6}));
}
