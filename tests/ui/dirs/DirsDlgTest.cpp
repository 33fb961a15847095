// The shared-folders dialog with the real folder-tree control over a
// temporary home: what it checks when it opens, and what OK gives back after
// the user's check gestures.
#include "ui/dirs/DirsDlg.h"

#include "foldertree/automation/Utf16.h"
#include "include/crash/CrashReport.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/ui/ScriptedPresenters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace uitest {
namespace {

// Runs the gestures on the control as soon as the window shows, then presses
// OK; Cancel follows, which ends a dialog that OK left open.
class ScriptedFoldersView final : public FoldersView {
  public:
    void Show(const std::wstring& caption, const MessageTarget& dialog, FolderTreeControl* control) override {
        shownCaption = caption;
        if (control && gestures)
            gestures(*control);
        dialog.Post(WM_COMMAND, IDOK);
        dialog.Post(WM_COMMAND, IDCANCEL);
    }
    void Refresh() override {}
    void Raise() override {}
    void Hide() override {}

    std::wstring shownCaption;
    std::function<void(FolderTreeControl&)> gestures;
};

const std::wstring kNothingChecked = L"You must select at least one shared folder";

class DirsDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
        for (const char* folder : {"Desktop", "Audio", "Music/Jazz", "Music/Rock"})
            std::filesystem::create_directories(dir.File("home/") + folder);
        std::filesystem::create_directories(dir.File("Elsewhere/Songs"));
        std::filesystem::create_directory_symlink(dir.File("Elsewhere/Songs"), dir.File("home/LinkedMusic"));
        std::filesystem::create_directories(dir.File("config"));
        UseDesktop("$HOME/Desktop");
    }

    void UseDesktop(const std::string& desktop) {
        testsupport::WriteFileText(dir.File("config/user-dirs.dirs"),
                                   "XDG_DESKTOP_DIR=\"" + desktop + "\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n");
    }

    std::wstring Home(const std::string& relative) const { return Utf8ToWide(dir.File("home/" + relative)); }

    // The user selects the folder and presses Space in the tree.
    void Toggle(FolderTreeControl& control, const std::string& relative) {
        // The folder's node, inserted as opening its parents would.
        ASSERT_TRUE(control.GetNode(Home(relative))) << relative;
        ax::ScopedVariant selected;
        ASSERT_EQ(ax::S_OK, DispInvoke(control.Tree(), pgv::PGVC_SELECTNODE, ax::DISPATCH_METHOD,
                                       {ax::MakeBstr(ax::Utf8ToUtf16(dir.File("home/" + relative))),
                                        ax::MakeR8(0), ax::MakeBool(false)},
                                       &selected));
        ASSERT_EQ(ax::VARIANT_TRUE, selected.boolVal) << relative;
        EXPECT_EQ(ax::S_OK, control.Control()->PreTranslateKey(pgv::KM_KEYDOWN, pgv::VK_SPACE));
    }

    int Run(std::vector<std::wstring>* shares, const std::string& manifest = "") {
        CDirsDlg dialog(shares, view, ui.messageBox, manifest);
        return dialog.DoModal(loop);
    }

    testsupport::TempDir dir;
    testsupport::ScopedEnv home{"HOME", dir.File("home")};
    testsupport::ScopedEnv config{"XDG_CONFIG_HOME", dir.File("config")};
    testsupport::ScopedEnv reports{"MELVANE_FAKE_HELPER_OUT", dir.File("reports")};
    testsupport::CapturedLog log;
    MessageLoop loop{MessageQueue::Create()};
    ScriptedUi ui;
    ScriptedFoldersView view;
};

TEST_F(DirsDlgTest, OkGivesTheFoldersTheCheckedNodesStandFor) {
    struct Case {
        const char* name;
        std::vector<std::string> stored;
        std::vector<std::string> toggled;
        std::vector<std::string> chosen;
        const char* desktop = "$HOME/Desktop";
    };
    const Case cases[] = {
        {"an empty list checks the music folder", {}, {}, {"Music/"}},
        {"both children checked give their folder",
         {"Audio/"},
         {"Music/Jazz", "Music/Rock"},
         {"Audio/", "Music/"}},
        {"one of them unchecked again gives the other",
         {"Audio/"},
         {"Music/Jazz", "Music/Rock", "Music/Rock"},
         {"Audio/", "Music/Jazz/"}},
        {"nested shares collapse", {"Music//", "Music/Rock/"}, {}, {"Music/"}},
        {"untouched shares that fill their folder stay",
         {"Music/Jazz/", "Music/Rock/"},
         {},
         {"Music/Jazz/", "Music/Rock/"}},
        // Paths are compared exactly: another spelling is another folder.
        {"shares differ by case", {"Audio/", "audio/"}, {}, {"Audio/"}},
        // The desktop's folder is a folder like any other, also as the home.
        {"the desktop folder", {"Desktop/"}, {}, {"Desktop/"}},
        {"a desktop that is the home folder", {""}, {}, {""}, "$HOME"},
        // A share through a link keeps its own path, not the target's.
        {"a linked share", {"LinkedMusic/"}, {"Audio"}, {"Audio/", "LinkedMusic/"}},
    };
    for (const Case& c : cases) {
        UseDesktop(c.desktop);
        std::vector<std::wstring> shares;
        for (const std::string& path : c.stored)
            shares.push_back(Home(path));
        view.gestures = [&](FolderTreeControl& control) {
            for (const std::string& path : c.toggled)
                Toggle(control, path);
        };
        EXPECT_EQ(IDOK, Run(&shares)) << c.name;
        std::vector<std::wstring> expected;
        for (const std::string& path : c.chosen)
            expected.push_back(Home(path));
        EXPECT_EQ(expected, shares) << c.name;
    }
    EXPECT_EQ(L"Your MP3 Folders", view.shownCaption);
    EXPECT_TRUE(ui.messageBox.shown.empty());
}

TEST_F(DirsDlgTest, NothingCollectedKeepsTheDialogOpenAndTheListUntouched) {
    struct Case {
        const char* name;
        std::function<void(FolderTreeControl&)> gestures;
    };
    const Case cases[] = {
        {"nothing checked", [this](FolderTreeControl& control) { Toggle(control, "Audio"); }},
        {"only the top node checked",
         [this](FolderTreeControl& control) {
             Toggle(control, "Audio");
             NodePtr top = DispObject(control.Tree(), pgv::PGVC_FIRSTVISIBLENODE);
             ASSERT_TRUE(top);
             ASSERT_EQ(ax::S_OK, DispPut(top.Get(), pgv::PGVN_SELECTED, ax::MakeBool(true)));
             EXPECT_EQ(ax::S_OK, control.Control()->PreTranslateKey(pgv::KM_KEYDOWN, pgv::VK_SPACE));
         }},
    };
    for (const Case& c : cases) {
        ui.messageBox.shown.clear();
        std::vector<std::wstring> shares = {Home("Audio/")};
        view.gestures = c.gestures;
        // The OK is refused; the Cancel after it ends the dialog.
        EXPECT_EQ(IDCANCEL, Run(&shares)) << c.name;
        EXPECT_EQ(std::vector<std::wstring>{Home("Audio/")}, shares) << c.name;
        ASSERT_EQ(1u, ui.messageBox.shown.size()) << c.name;
        EXPECT_EQ(kNothingChecked, ui.messageBox.shown[0].text);
        EXPECT_EQ(L"Error", ui.messageBox.shown[0].caption);
    }
}

TEST_F(DirsDlgTest, AMissingMusicFolderIsNoFailure) {
    std::filesystem::remove_all(dir.File("home/Music"));
    std::vector<std::wstring> shares;
    view.gestures = [this](FolderTreeControl& control) { Toggle(control, "Audio"); };
    EXPECT_EQ(IDOK, Run(&shares));
    EXPECT_EQ(std::vector<std::wstring>{Home("Audio/")}, shares);
    EXPECT_FALSE(std::filesystem::exists(dir.File("reports")));
}

TEST_F(DirsDlgTest, AControlThatCannotBeMadeIsReportedAndChangesNothing) {
    std::vector<std::wstring> shares = {Home("Audio/")};
    EXPECT_NE(IDOK, Run(&shares, dir.File("missing.manifest")));
    EXPECT_EQ(std::vector<std::wstring>{Home("Audio/")}, shares);
    EXPECT_NE(std::string::npos, log.Text().find("QueryControl failed"));
    EXPECT_NE(std::string::npos, testsupport::ReadFileText(dir.File("reports")).find("Query Control failed"));
}

} // namespace
} // namespace uitest
