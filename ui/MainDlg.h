// The program's hidden main dialog. It owns the tray icon, its menu and
// balloons, carries out the tray commands, and handles on the UI thread every
// notification the core posts. Destroying it ends the message loop.
#pragma once

#include "client/core/IKovikUI.h"
#include "ui/CoreControl.h"
#include "ui/TrayIconImpl.h"
#include "ui/kernel/Dialog.h"
#include "ui/present/Presenters.h"

#include <memory>
#include <string>

class CAboutDlg;

class CMainDlg final : public Dialog, public CTrayIconImpl {
  public:
    // `selfUi` is the poster that reaches this dialog, for notices the dialog
    // sends itself.
    CMainDlg(CoreControl& core, const Presenters& presenters, IKovikUI& selfUi);
    ~CMainDlg() override;

    // A balloon from the tray icon for `seconds`.
    void ShowBalloon(const std::wstring& title, const std::wstring& text, uint32_t seconds);
    // Destroys the dialog and ends the message loop with `exitCode`.
    void CloseDialog(int exitCode);

    bool UpgradeWaiting() const { return m_upgradeWaiting; }
    bool HasUpgradePath() const { return m_upgradePath && !m_upgradePath->empty(); }

  protected:
    bool OnInitDialog() override;
    void OnCommand(uint16_t id) override;
    void OnClose() override;
    bool OnMessage(Message& message) override;

    void PrepareMenu(PopupMenu& menu) override;
    void OnBalloonClick() override;
    void OnBalloonTimeout() override;

  private:
    void SetTrayIcon(const IconImage* icon);
    int Box(const std::wstring& text, const std::wstring& caption, uint32_t style);

    void OnTaskbarCreated();
    void OnFatalError(const std::wstring& text);
    void OnStartLogin();
    void OnTransferFinished(std::unique_ptr<TransferNotice> notice);
    void OnLoginResult(int code);
    void OnAccountProblem(int code);
    void OnUpgradeReady(std::unique_ptr<std::wstring> path);
    void OnSetStatus(uint32_t bits);
    void OnPlaylistSaved(std::unique_ptr<PlaylistNotice> notice);
    void OnPlaylistDeleted(std::unique_ptr<std::wstring> title);
    void OnAbout();
    void OnMusicFolders();

    CoreControl& m_core;
    Presenters m_presenters;
    IKovikUI& m_selfUi;

    std::unique_ptr<std::wstring> m_upgradePath;
    bool m_upgradeWaiting = false;
    uint32_t m_taskbarCreatedMsg = 0;
    const IconImage* m_icon = nullptr;
    const IconImage* m_smallIcon = nullptr;
    const IconImage* m_onlineIcon = nullptr;
    const IconImage* m_offlineIcon = nullptr;
    const IconImage* m_currentIcon = nullptr;
    std::wstring m_currentTip;
    CAboutDlg* m_openAbout = nullptr;
    bool m_foldersOpen = false;
    bool m_closed = false;
};
