#include "ui/MainDlg.h"
#include "include/crash/CrashReport.h"
#include "include/text/AppStrings.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ScopedEnv.h"
#include "tests/ui/FakeCore.h"
#include "tests/ui/ScriptedPresenters.h"
#include "ui/Resources.h"
#include "ui/UiPoster.h"
#include "ui/icons/ProgramIcons.h"
#include "ui/kernel/MessageLoop.h"
#include "ui/kernel/RegisteredMessages.h"

#include <gtest/gtest.h>

namespace uitest {
namespace {

const std::wstring kHelper = L"Melvane Helper";
const std::wstring kUpdateText = L"Melvane has downloaded updates - click here to install.";

class MainDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // OnStartLogin sends a report: to the fake uploader, told to record
        // nothing.
        SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
        ASSERT_TRUE(dialog.CreateModeless(loop));
        poster.SetMainDialog(dialog.Handle());
    }

    // The tray's own callback for a user action on the icon.
    void TrayEvent(uint32_t code) {
        ASSERT_FALSE(ui.tray.added.empty());
        const TrayIconData& icon = ui.tray.added.front();
        icon.owner.Post(icon.callbackMessage, icon.id, static_cast<intptr_t>(code));
        loop.DispatchPending();
    }
    void Command(uint16_t id) {
        dialog.Target().Post(WM_COMMAND, id);
        loop.DispatchPending();
    }
    void ReadyUpgrade(const std::wstring& path) {
        poster.UpgradeReady(std::make_unique<std::wstring>(path));
        loop.DispatchPending();
    }
    std::vector<std::wstring> BalloonTexts() const {
        std::vector<std::wstring> texts;
        for (const BalloonData& balloon : ui.tray.balloons)
            texts.push_back(balloon.text);
        return texts;
    }
    void ShowNotices() {
        auto received = std::make_unique<TransferNotice>();
        received->kind = TransferNotice::kReceived;
        received->path = L"/music/in/Song One.mp3";
        auto sent = std::make_unique<TransferNotice>();
        sent->kind = TransferNotice::kSent;
        sent->path = L"/music/out/Other.mp3";
        auto saved = std::make_unique<PlaylistNotice>();
        saved->title = L"Road Trip";
        poster.TransferFinished(std::move(received));
        poster.TransferFinished(std::move(sent));
        poster.PlaylistSaved(std::move(saved));
        poster.PlaylistDeleted(std::make_unique<std::wstring>(L"Old Mix"));
        poster.PlaylistDeleted(nullptr);
        loop.DispatchPending();
    }

    testsupport::ScopedEnv noHelperOutput{"MELVANE_FAKE_HELPER_OUT", nullptr};
    testsupport::CapturedLog log;
    std::shared_ptr<MessageQueue> queue = MessageQueue::Create();
    MessageLoop loop{queue};
    FakeCore core;
    ScriptedUi ui;
    UiPoster poster{queue};
    CMainDlg dialog{core, ui.presenters, poster};
};

TEST_F(MainDlgTest, StartsWithTheOfflineIconAndAPlainTooltip) {
    ASSERT_EQ(1u, ui.tray.added.size());
    EXPECT_EQ(LoadProgramIcon(IDI_OFFLINE, kSmallIconSize), ui.tray.added[0].icon);
    EXPECT_EQ(L"Melvane", ui.tray.added[0].tip);
    EXPECT_EQ(kTrayIconId, ui.tray.added[0].id);
    EXPECT_EQ(dialog.Handle(), ui.tray.added[0].owner.Window());
}

TEST_F(MainDlgTest, IconChangesOnlyWhenTheStatusChangesIt) {
    core.username = L"alice";
    for (uint32_t bits : {0u, 1u, 3u, 1u, 2u, 0u})
        poster.SetStatus(bits);
    loop.DispatchPending();
    const IconImage* online = LoadProgramIcon(IDI_ONLINE, kSmallIconSize);
    const IconImage* offline = LoadProgramIcon(IDI_OFFLINE, kSmallIconSize);
    // 0 keeps the first offline icon, 1 goes online, 3 and 1 stay online,
    // 2 (transfers only) goes offline, 0 stays.
    EXPECT_EQ((std::vector<const IconImage*>{offline, online, offline}), ui.tray.IconHistory());
    ASSERT_EQ(2u, ui.tray.modified.size());
    EXPECT_EQ(L"Melvane - alice", ui.tray.modified[0].tip);
}

TEST_F(MainDlgTest, TaskbarCreatedPutsTheCurrentIconBack) {
    core.username = L"bob";
    poster.SetStatus(1);
    loop.DispatchPending();
    dialog.Target().Post(RegisterWindowMessage("TaskbarCreated"));
    loop.DispatchPending();
    ASSERT_EQ(2u, ui.tray.added.size());
    EXPECT_EQ(LoadProgramIcon(IDI_ONLINE, kSmallIconSize), ui.tray.added[1].icon);
    EXPECT_EQ(L"Melvane - bob", ui.tray.added[1].tip);
}

TEST_F(MainDlgTest, NoticesShowTheirBalloonsWithTheExactTexts) {
    ShowNotices();
    EXPECT_EQ((std::vector<std::wstring>{L"Finished downloading Song One.mp3", L"Saved playlist Road Trip",
                                         L"Deleted playlist Old Mix"}),
              BalloonTexts());
    for (const BalloonData& balloon : ui.tray.balloons) {
        EXPECT_EQ(kHelper, balloon.title);
        EXPECT_EQ(15000u, balloon.timeoutMs);
    }
}

TEST_F(MainDlgTest, AWaitingUpdateHoldsBackOtherBalloonsUntilItsBalloonTimesOut) {
    ReadyUpgrade(L"/tmp/installer");
    ASSERT_EQ(1u, ui.tray.balloons.size());
    EXPECT_EQ(kHelper, ui.tray.balloons[0].title);
    EXPECT_EQ(kUpdateText, ui.tray.balloons[0].text);
    EXPECT_EQ(300000u, ui.tray.balloons[0].timeoutMs);
    EXPECT_TRUE(dialog.UpgradeWaiting());

    ShowNotices();
    EXPECT_EQ(1u, ui.tray.balloons.size());

    TrayEvent(NIN_BALLOONTIMEOUT);
    EXPECT_FALSE(dialog.UpgradeWaiting());
    ShowNotices();
    EXPECT_EQ(4u, ui.tray.balloons.size());
}

TEST_F(MainDlgTest, BalloonClickRunsTheInstallerOnlyWhileTheUpdateWaits) {
    ReadyUpgrade(L"/tmp/installer-1");
    ReadyUpgrade(L"/tmp/installer-2");
    TrayEvent(NIN_BALLOONUSERCLICK);
    EXPECT_EQ(std::vector<std::wstring>{L"/tmp/installer-2"}, ui.shell.ran);
    TrayEvent(NIN_BALLOONTIMEOUT);
    TrayEvent(NIN_BALLOONUSERCLICK);
    EXPECT_EQ(1u, ui.shell.ran.size());
    // The menu still offers it.
    Command(ID_INSTALL_UPDATES);
    EXPECT_EQ(2u, ui.shell.ran.size());
}

TEST_F(MainDlgTest, TrayMenuWithAndWithoutAnUpgrade) {
    const std::vector<uint16_t> plain = {ID_VISIT_WEBSITE, ID_VIEW_PLAYLISTS, ID_MUSIC_FOLDERS, ID_APP_ABOUT,
                                         ID_APP_EXIT};
    TrayEvent(WM_RBUTTONUP);
    ASSERT_EQ(1u, ui.menu.shown.size());
    EXPECT_EQ(plain, ui.menu.shown[0].Commands());
    EXPECT_EQ(6u, ui.menu.shown[0].items.size()); // with one separator
    for (const MenuItem& item : ui.menu.shown[0].items)
        EXPECT_FALSE(item.isDefault);

    ReadyUpgrade(L"/tmp/installer");
    TrayEvent(WM_LBUTTONUP);
    ASSERT_EQ(2u, ui.menu.shown.size());
    std::vector<uint16_t> withUpgrade = plain;
    withUpgrade.push_back(ID_INSTALL_UPDATES);
    EXPECT_EQ(withUpgrade, ui.menu.shown[1].Commands());
    const MenuItem& last = ui.menu.shown[1].items.back();
    EXPECT_EQ(L"Install Updates", last.text);
    EXPECT_TRUE(last.isDefault);
    EXPECT_TRUE(ui.menu.shown[1].items[ui.menu.shown[1].items.size() - 2].separator);
    // Trays whose host shows the menu by itself got it with the icon, and
    // again with the update.
    ASSERT_EQ(2u, ui.tray.menus.size());
    EXPECT_EQ(plain, ui.tray.menus[0].Commands());
    EXPECT_EQ(withUpgrade, ui.tray.menus[1].Commands());

    // Events for another icon id are not this icon's.
    const TrayIconData& icon = ui.tray.added.front();
    icon.owner.Post(icon.callbackMessage, icon.id + 1, WM_RBUTTONUP);
    loop.DispatchPending();
    EXPECT_EQ(2u, ui.menu.shown.size());
}

TEST_F(MainDlgTest, AnEmptyUpgradePathCountsAsNone) {
    ReadyUpgrade(L"");
    poster.UpgradeReady(nullptr);
    loop.DispatchPending();
    EXPECT_FALSE(dialog.HasUpgradePath());
    EXPECT_FALSE(dialog.UpgradeWaiting());
    EXPECT_TRUE(ui.tray.balloons.empty());
    TrayEvent(NIN_BALLOONUSERCLICK);
    Command(ID_INSTALL_UPDATES);
    EXPECT_TRUE(ui.shell.ran.empty());
    TrayEvent(WM_RBUTTONUP);
    ASSERT_EQ(1u, ui.menu.shown.size());
    EXPECT_EQ(5u, ui.menu.shown[0].Commands().size());
}

TEST_F(MainDlgTest, MenuCommandsReachTheCoreAndTheShell) {
    core.loginUrl = L"https://web.example/login?redirect=1";
    core.playlistDir = L"/home/u/Music/Melvane Playlists";
    ui.menu.choose = ID_VISIT_WEBSITE;
    TrayEvent(WM_RBUTTONUP);
    Command(ID_VIEW_PLAYLISTS);
    core.playlistDir.clear();
    Command(ID_VIEW_PLAYLISTS);
    Command(ID_CHANGE_ACCOUNTS);
    EXPECT_EQ((std::vector<std::wstring>{L"https://web.example/login?redirect=1",
                                         L"/home/u/Music/Melvane Playlists"}),
              ui.shell.opened);
    EXPECT_EQ(1, core.changeAccountRequests);
    EXPECT_TRUE(log.Contains("About to open PLS dir"));
}

TEST_F(MainDlgTest, ExitAndCloseEndTheLoopWithTheirCodes) {
    struct Case {
        uint32_t message;
        uintptr_t wParam;
        int code;
    };
    for (const Case& c : {Case{WM_COMMAND, ID_APP_EXIT, 32774}, Case{WM_COMMAND, IDOK, IDOK},
                          Case{WM_COMMAND, IDCANCEL, IDCANCEL}, Case{WM_CLOSE, 0, 0}}) {
        auto queue2 = MessageQueue::Create();
        MessageLoop loop2(queue2);
        UiPoster poster2(queue2);
        ScriptedUi ui2;
        {
            CMainDlg dialog2(core, ui2.presenters, poster2);
            ASSERT_TRUE(dialog2.CreateModeless(loop2));
            dialog2.Target().Post(c.message, c.wParam);
            EXPECT_EQ(c.code, loop2.Run());
            EXPECT_FALSE(dialog2.IsWindow());
        }
        EXPECT_EQ(1, ui2.tray.deleted); // the icon goes with the dialog
    }
    EXPECT_TRUE(log.Contains("(ERR): In CloseDialog"));
}

TEST_F(MainDlgTest, PostsAfterTheDialogIsGoneAreDropped) {
    dialog.CloseDialog(0);
    auto notice = std::make_unique<PlaylistNotice>();
    notice->title = L"Late";
    poster.PlaylistSaved(std::move(notice));
    poster.ShowFatalError(L"late");
    EXPECT_EQ(0, loop.Run());
    EXPECT_TRUE(ui.tray.balloons.empty());
    EXPECT_TRUE(ui.messageBox.shown.empty());
}

TEST_F(MainDlgTest, FatalErrorShowsItsTextAndCloses) {
    std::wstring text = L"core died";
    poster.ShowFatalError(text);
    text = L"changed afterwards";
    EXPECT_EQ(0, loop.Run());
    ASSERT_EQ(1u, ui.messageBox.shown.size());
    EXPECT_EQ(L"core died", ui.messageBox.shown[0].text);
    EXPECT_EQ(L"Error", ui.messageBox.shown[0].caption);
    EXPECT_EQ(MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST, ui.messageBox.shown[0].style);
}

class AccountProblemTest : public MainDlgTest {};

TEST_F(AccountProblemTest, ProblemOneAsksToLogInAgainAndEndsThroughStartLogin) {
    poster.AccountProblem(1);
    EXPECT_EQ(0, loop.Run());
    ASSERT_EQ(2u, ui.messageBox.shown.size());
    EXPECT_EQ(
        L"Melvane could not connect due to a problem with your account information.  Please click OK and "
        L"login again.",
        ui.messageBox.shown[0].text);
    EXPECT_EQ(L"Melvane Error", ui.messageBox.shown[0].caption);
    EXPECT_EQ(GetAppString(AS_SETUP_PROBLEM), ui.messageBox.shown[1].text);
    EXPECT_EQ(L"Error", ui.messageBox.shown[1].caption);
}

TEST_F(AccountProblemTest, ProblemTwoNamesTheVersionAndCloses) {
    poster.AccountProblem(2);
    EXPECT_EQ(0, loop.Run());
    ASSERT_EQ(1u, ui.messageBox.shown.size());
    EXPECT_NE(std::wstring::npos,
              ui.messageBox.shown[0].text.find(L"This version of Melvane (3.0.1.46-win) is too old."));
    EXPECT_EQ(L"Melvane Error", ui.messageBox.shown[0].caption);
}

TEST_F(AccountProblemTest, ProblemThreeOkReconnectsAndCancelExits) {
    ui.messageBox.answers = {IDOK};
    poster.AccountProblem(3);
    loop.DispatchPending();
    ASSERT_EQ(1u, ui.messageBox.shown.size());
    EXPECT_EQ(GetAppString(AS_DUPLICATE_LOGIN_RETRY), ui.messageBox.shown[0].text);
    EXPECT_EQ(MB_OKCANCEL | MB_SETFOREGROUND | MB_TOPMOST, ui.messageBox.shown[0].style);
    EXPECT_EQ(1, core.startRequests);
    EXPECT_TRUE(dialog.IsWindow());

    ui.messageBox.answers = {IDCANCEL};
    poster.AccountProblem(3);
    EXPECT_EQ(0, loop.Run());
    EXPECT_EQ(1, core.startRequests);
    EXPECT_FALSE(dialog.IsWindow());
}

TEST_F(AccountProblemTest, OtherCodesDoNothing) {
    poster.AccountProblem(0);
    poster.AccountProblem(4);
    loop.DispatchPending();
    EXPECT_TRUE(ui.messageBox.shown.empty());
    EXPECT_TRUE(dialog.IsWindow());
}

TEST_F(MainDlgTest, AboutEndsOnOkEscAndCloseAndOnlyOneIsOpen) {
    for (uint32_t message : {static_cast<uint32_t>(WM_COMMAND), WM_CLOSE}) {
        for (int button : {IDOK, IDCANCEL}) {
            if (message == WM_CLOSE && button == IDCANCEL)
                continue;
            const int before = ui.about.hides;
            ui.about.onShow = [&, message, button](const MessageTarget& about) {
                // A second request while it is open brings it forward.
                dialog.Target().Post(WM_COMMAND, ID_APP_ABOUT);
                about.Post(message, message == WM_COMMAND ? button : 0);
            };
            Command(ID_APP_ABOUT);
            EXPECT_GT(ui.about.hides, before);
        }
    }
    EXPECT_EQ(3, ui.about.shows);
    EXPECT_EQ(3, ui.about.raises);
    EXPECT_EQ(0u, ui.about.text.find(L"Melvane Helper \"3.0.1.46\""));
    EXPECT_NE(
        std::wstring::npos,
        ui.about.text.find(L"\n\nThis software uses libraries from the FFmpeg project under the LGPLv2.1"));
    EXPECT_TRUE(dialog.IsWindow());
}

TEST_F(MainDlgTest, MusicFoldersPostsOnlyAChangedList) {
    core.shares = {L"/m/a/", L"/m/b/"};
    // Accepted unchanged, cancelled with a change, then accepted reordered.
    ui.folders.result = IDOK;
    Command(ID_MUSIC_FOLDERS);
    ui.folders.result = IDCANCEL;
    ui.folders.edit = [](std::vector<std::wstring>* folders) { folders->pop_back(); };
    Command(ID_MUSIC_FOLDERS);
    ui.folders.result = IDOK;
    ui.folders.edit = [](std::vector<std::wstring>* folders) { std::swap((*folders)[0], (*folders)[1]); };
    poster.ShowFoldersDialog();
    loop.DispatchPending();
    EXPECT_EQ(3, ui.folders.runs);
    ASSERT_EQ(1u, core.shareRequests.size());
    EXPECT_EQ((std::vector<std::wstring>{L"/m/b/", L"/m/a/"}), core.shareRequests[0]);
}

TEST_F(MainDlgTest, ASecondFoldersRequestBringsBackTheOpenDialog) {
    ui.folders.whileOpen = [this](MessageLoop& loop) {
        poster.ShowFoldersDialog();
        loop.DispatchPending();
    };
    Command(ID_MUSIC_FOLDERS);
    EXPECT_EQ(1, ui.folders.runs);
    EXPECT_EQ(1, ui.folders.raises);
}

} // namespace
} // namespace uitest
