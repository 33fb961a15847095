#include "ui/MainDlg.h"

#include "include/crash/Assert.h"
#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "include/text/AppStrings.h"
#include "ui/AboutDlg.h"
#include "ui/Resources.h"
#include "ui/UiMessages.h"
#include "ui/icons/ProgramIcons.h"
#include "ui/kernel/MessageLoop.h"
#include "ui/kernel/RegisteredMessages.h"
#include "ui/present/MessageBox.h"

namespace {

constexpr uint32_t kNoticeSeconds = 15;
constexpr uint32_t kUpgradeNoticeSeconds = 300;
constexpr uint32_t kErrorBoxStyle = MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST;

// The account-status codes the server sends about this account.
constexpr int kAccountInfoProblem = 1;
constexpr int kVersionTooOld = 2;
constexpr int kSignedInElsewhere = 3;

std::wstring FileNamePart(const std::wstring& path) {
    size_t slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

CMainDlg::CMainDlg(CoreControl& core, const Presenters& presenters, IKovikUI& selfUi)
    : CTrayIconImpl(presenters.tray, presenters.menu), m_core(core), m_presenters(presenters),
      m_selfUi(selfUi) {}

CMainDlg::~CMainDlg() = default;

bool CMainDlg::OnInitDialog() {
    // Hidden and never shown, so there is nothing to centre.
    m_taskbarCreatedMsg = RegisterWindowMessage("TaskbarCreated");
    m_icon = LoadProgramIcon(IDI_PROGRAM, kLargeIconSize);
    m_smallIcon = LoadProgramIcon(IDI_PROGRAM, kSmallIconSize);
    MV_ASSERT(m_icon != nullptr);
    MV_ASSERT(m_smallIcon != nullptr);
    m_onlineIcon = LoadProgramIcon(IDI_ONLINE, kSmallIconSize);
    m_offlineIcon = LoadProgramIcon(IDI_OFFLINE, kSmallIconSize);
    InitTray(Target(), IDR_TRAY_MENU);
    SetTrayIcon(m_offlineIcon);
    return true;
}

void CMainDlg::SetTrayIcon(const IconImage* icon) {
    if (icon == m_currentIcon)
        return;
    std::wstring tip = L"Melvane";
    std::wstring user = m_core.GetUsername();
    if (!user.empty())
        tip += L" - " + user;
    m_currentTip = tip;
    SetTrayIconAndTip(icon, tip);
    m_currentIcon = icon;
}

void CMainDlg::OnTaskbarCreated() {
    ReAddIcon(m_currentIcon, m_currentTip);
}

void CMainDlg::ShowBalloon(const std::wstring& title, const std::wstring& text, uint32_t seconds) {
    ShowTrayBalloon(title, text, seconds * 1000);
}

void CMainDlg::CloseDialog(int exitCode) {
    if (m_closed)
        return;
    m_closed = true;
    MVLOG(LOG_ERR, "In CloseDialog");
    MessageLoop* loop = Loop();
    DestroyWindow();
    if (loop)
        loop->PostQuit(exitCode);
}

int CMainDlg::Box(const std::wstring& text, const std::wstring& caption, uint32_t style) {
    return RunMessageBox(*Loop(), m_presenters.messageBox, text, caption, style);
}

void CMainDlg::OnClose() {
    CloseDialog(0);
}

bool CMainDlg::OnMessage(Message& message) {
    if (HandleTrayMessage(message))
        return true;
    if (message.id == m_taskbarCreatedMsg && m_taskbarCreatedMsg != 0) {
        OnTaskbarCreated();
        return true;
    }
    switch (message.id) {
    case WM_APP_FATAL_ERROR: {
        std::unique_ptr<std::wstring> text = message.TakePayload<std::wstring>();
        OnFatalError(text ? *text : std::wstring());
        return true;
    }
    case WM_APP_START_LOGIN:
        OnStartLogin();
        return true;
    case WM_APP_TRANSFER_FINISHED:
        OnTransferFinished(message.TakePayload<TransferNotice>());
        return true;
    case WM_APP_LOGIN_RESULT:
        OnLoginResult(static_cast<int>(message.wParam));
        return true;
    case WM_APP_ACCOUNT_PROBLEM:
        OnAccountProblem(static_cast<int>(message.wParam));
        return true;
    case WM_APP_UPGRADE_READY:
        OnUpgradeReady(message.TakePayload<std::wstring>());
        return true;
    case WM_APP_SET_STATUS:
        OnSetStatus(static_cast<uint32_t>(message.wParam));
        return true;
    case WM_APP_SHOW_FOLDERS:
        OnMusicFolders();
        return true;
    case WM_APP_PLAYLIST_SAVED:
        OnPlaylistSaved(message.TakePayload<PlaylistNotice>());
        return true;
    case WM_APP_PLAYLIST_DELETED:
        OnPlaylistDeleted(message.TakePayload<std::wstring>());
        return true;
    default:
        return false;
    }
}

void CMainDlg::OnFatalError(const std::wstring& text) {
    Box(text, L"Error", kErrorBoxStyle);
    CloseDialog(0);
}

void CMainDlg::OnStartLogin() {
    SendReport(L"OnStartLogin", REPORT_INFO);
    Box(GetAppString(AS_SETUP_PROBLEM), L"Error", kErrorBoxStyle);
    CloseDialog(0);
}

void CMainDlg::OnTransferFinished(std::unique_ptr<TransferNotice> notice) {
    if (!notice || m_upgradeWaiting || notice->kind != TransferNotice::kReceived)
        return;
    ShowBalloon(
        GetAppString(AS_HELPER_NAME),
        FormatAppString(AS_FINISHED_TRANSFER, {GetAppString(AS_DOWNLOADING), FileNamePart(notice->path)}),
        kNoticeSeconds);
}

void CMainDlg::OnLoginResult(int /*code*/) {
    // The program signs in without a dialog, so the core never sends this.
    MV_ASSERT(0);
}

void CMainDlg::OnAccountProblem(int code) {
    const std::wstring caption = GetAppString(AS_ERROR_TITLE);
    switch (code) {
    case kAccountInfoProblem:
        Box(GetAppString(AS_ACCOUNT_PROBLEM), caption, MB_ICONERROR | MB_SETFOREGROUND);
        m_selfUi.StartLogin();
        break;
    case kVersionTooOld:
        Box(FormatAppString(AS_VERSION_TOO_OLD_WITH_VERSION, {GetAppString(AS_VERSION)}), caption,
            MB_ICONERROR | MB_SETFOREGROUND);
        CloseDialog(0);
        break;
    case kSignedInElsewhere:
        if (Box(GetAppString(AS_DUPLICATE_LOGIN_RETRY), caption,
                MB_OKCANCEL | MB_SETFOREGROUND | MB_TOPMOST) == IDOK)
            m_core.PostStartRequest();
        else
            CloseDialog(0);
        break;
    default:
        break;
    }
}

void CMainDlg::OnUpgradeReady(std::unique_ptr<std::wstring> path) {
    m_upgradePath = std::move(path);
    if (!HasUpgradePath()) {
        // Nothing to install: no update is offered.
        MVLOG(LOG_ERR, "Upgrade ready without an installer path; ignored");
        m_upgradePath.reset();
        return;
    }
    m_upgradeWaiting = true;
    UpdateMenu();
    ShowBalloon(GetAppString(AS_HELPER_NAME), GetAppString(AS_UPDATES_DOWNLOADED), kUpgradeNoticeSeconds);
}

void CMainDlg::OnSetStatus(uint32_t bits) {
    SetTrayIcon((bits & kStatusConnected) ? m_onlineIcon : m_offlineIcon);
}

void CMainDlg::OnPlaylistSaved(std::unique_ptr<PlaylistNotice> notice) {
    if (!notice || m_upgradeWaiting)
        return;
    ShowBalloon(GetAppString(AS_HELPER_NAME), FormatAppString(AS_SAVED_PLAYLIST, {notice->title}),
                kNoticeSeconds);
}

void CMainDlg::OnPlaylistDeleted(std::unique_ptr<std::wstring> title) {
    if (!title || m_upgradeWaiting)
        return;
    ShowBalloon(GetAppString(AS_HELPER_NAME), FormatAppString(AS_DELETED_PLAYLIST, {*title}), kNoticeSeconds);
}

void CMainDlg::PrepareMenu(PopupMenu& menu) {
    if (!HasUpgradePath())
        return;
    menu.AppendSeparator();
    menu.Append(kInstallUpdatesText, ID_INSTALL_UPDATES);
    menu.SetDefault(ID_INSTALL_UPDATES);
}

void CMainDlg::OnBalloonClick() {
    if (HasUpgradePath() && m_upgradeWaiting)
        m_presenters.shell.Run(*m_upgradePath);
}

void CMainDlg::OnBalloonTimeout() {
    m_upgradeWaiting = false;
}

void CMainDlg::OnCommand(uint16_t id) {
    switch (id) {
    case ID_APP_ABOUT:
        OnAbout();
        break;
    case IDOK:
    case IDCANCEL:
    case ID_APP_EXIT:
        CloseDialog(id);
        break;
    case ID_VISIT_WEBSITE:
        m_presenters.shell.Open(m_core.BuildLoginUrl());
        break;
    case ID_VIEW_PLAYLISTS: {
        MVLOG(LOG_INFO, "About to open PLS dir");
        std::wstring folder;
        if (m_core.GetPlaylistDir(&folder))
            m_presenters.shell.Open(folder);
        break;
    }
    case ID_MUSIC_FOLDERS:
        OnMusicFolders();
        break;
    case ID_CHANGE_ACCOUNTS:
        m_core.PostChangeAccountRequest();
        break;
    case ID_INSTALL_UPDATES:
        if (HasUpgradePath())
            m_presenters.shell.Run(*m_upgradePath);
        break;
    default:
        break;
    }
}

void CMainDlg::OnAbout() {
    if (m_openAbout) {
        m_openAbout->BringToFront();
        return;
    }
    CAboutDlg about(m_presenters.about);
    m_openAbout = &about;
    about.DoModal(*Loop());
    m_openAbout = nullptr;
}

void CMainDlg::OnMusicFolders() {
    if (m_foldersOpen) {
        m_presenters.folders.Raise();
        return;
    }
    const std::vector<std::wstring> before = m_core.GetShares();
    std::vector<std::wstring> edited = before;
    m_foldersOpen = true;
    const int result = m_presenters.folders.Run(*Loop(), &edited);
    m_foldersOpen = false;
    if (result != IDOK)
        return;
    // Order matters: the first folder is the download folder.
    if (edited != before)
        m_core.PostSetSharesRequest(edited);
}
