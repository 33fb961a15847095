#include "ui/UiPoster.h"

#include "ui/UiMessages.h"

#include <vector>

UiPoster::UiPoster(std::shared_ptr<MessageQueue> queue) : m_queue(std::move(queue)) {}

void UiPoster::SetMainDialog(WindowHandle dialog) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = MessageTarget(m_queue, dialog);
}

void UiPoster::Disconnect() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = MessageTarget();
    m_queue.reset();
}

void UiPoster::Post(uint32_t id, uintptr_t wParam, std::unique_ptr<MessagePayload> payload) {
    MessageTarget target;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        target = m_target;
    }
    // Not posted (no dialog yet, or the queue is closed): the payload is
    // freed here.
    target.Post(id, wParam, 0, std::move(payload));
}

void UiPoster::ShowFatalError(const std::wstring& text) {
    Post(WM_APP_FATAL_ERROR, 0, MakePayload(std::make_unique<std::wstring>(text)));
}

void UiPoster::StartLogin() {
    Post(WM_APP_START_LOGIN);
}

void UiPoster::TransferFinished(std::unique_ptr<TransferNotice> notice) {
    if (notice)
        Post(WM_APP_TRANSFER_FINISHED, 0, MakePayload(std::move(notice)));
}

void UiPoster::LoginResult(int result) {
    Post(WM_APP_LOGIN_RESULT, static_cast<uintptr_t>(result));
}

void UiPoster::AccountProblem(int status) {
    Post(WM_APP_ACCOUNT_PROBLEM, static_cast<uintptr_t>(status));
}

void UiPoster::UpgradeReady(std::unique_ptr<std::wstring> installerPath) {
    Post(WM_APP_UPGRADE_READY, 0, installerPath ? MakePayload(std::move(installerPath)) : nullptr);
}

void UiPoster::SetStatus(uint32_t statusBits) {
    Post(WM_APP_SET_STATUS, statusBits);
}

void UiPoster::ShowFoldersDialog() {
    Post(WM_APP_SHOW_FOLDERS);
}

void UiPoster::PlaylistSaved(std::unique_ptr<PlaylistNotice> notice) {
    if (notice)
        Post(WM_APP_PLAYLIST_SAVED, 0, MakePayload(std::move(notice)));
}

void UiPoster::PlaylistDeleted(std::unique_ptr<std::wstring> title) {
    Post(WM_APP_PLAYLIST_DELETED, 0, title ? MakePayload(std::move(title)) : nullptr);
}

void KeepPosterUntilExit(std::shared_ptr<UiPoster> poster) {
    static std::mutex mutex;
    // Never destroyed: a core thread may use a poster while the process ends.
    static auto* kept = new std::vector<std::shared_ptr<UiPoster>>();
    std::lock_guard<std::mutex> lock(mutex);
    kept->push_back(std::move(poster));
}
