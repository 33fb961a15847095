// The core's way to the user interface: every notification becomes a message
// posted to the main dialog, so no core thread ever touches a window or waits
// for the UI. The poster outlives the dialog: what is posted after the
// dialog is gone, or after the UI thread's queue has closed, is dropped and
// its payload freed.
#pragma once

#include "client/core/IKovikUI.h"
#include "ui/kernel/MessageQueue.h"

#include <memory>
#include <mutex>

class UiPoster final : public IKovikUI {
  public:
    explicit UiPoster(std::shared_ptr<MessageQueue> queue);

    void SetMainDialog(WindowHandle dialog);
    // From now on every notification is dropped.
    void Disconnect();

    void ShowFatalError(const std::wstring& text) override;
    void StartLogin() override;
    void TransferFinished(std::unique_ptr<TransferNotice> notice) override;
    void LoginResult(int result) override;
    void AccountProblem(int status) override;
    void UpgradeReady(std::unique_ptr<std::wstring> installerPath) override;
    void SetStatus(uint32_t statusBits) override;
    void ShowFoldersDialog() override;
    void PlaylistSaved(std::unique_ptr<PlaylistNotice> notice) override;
    void PlaylistDeleted(std::unique_ptr<std::wstring> title) override;

  private:
    void Post(uint32_t id, uintptr_t wParam = 0, std::unique_ptr<MessagePayload> payload = nullptr);

    std::mutex m_mutex;
    MessageTarget m_target;
    std::shared_ptr<MessageQueue> m_queue;
};

// Keeps `poster` alive until the process ends, for core threads that may
// still hold it.
void KeepPosterUntilExit(std::shared_ptr<UiPoster> poster);
