#include "ui/KovikCoreControl.h"

#include "client/core/KovikCore.h"

bool KovikCoreControl::StartCore(IKovikUI* ui) {
    return m_core.StartCore(ui);
}

bool KovikCoreControl::StartCoreThread() {
    return StartThread(CoreThreadMain, &m_core, &m_thread);
}

bool KovikCoreControl::WaitCoreThread(uint32_t timeoutMs) {
    return WaitThread(m_thread, timeoutMs);
}

void KovikCoreControl::SetStopFlag() {
    m_core.SetStopFlag();
}

bool KovikCoreControl::HasAccount() {
    return m_core.HasStoredAccount();
}

void KovikCoreControl::PostStartRequest() {
    m_core.PostStartRequest();
}

void KovikCoreControl::PostChangeAccountRequest() {
    m_core.PostChangeAccountRequest();
}

void KovikCoreControl::PostSetSharesRequest(const std::vector<std::wstring>& folders) {
    m_core.PostSetSharesRequest(folders);
}

std::wstring KovikCoreControl::GetUsername() {
    return m_core.GetUsername();
}

std::vector<std::wstring> KovikCoreControl::GetShares() {
    return m_core.GetShares();
}

bool KovikCoreControl::GetPlaylistDir(std::wstring* path) {
    return path && m_core.GetPlaylistDir(*path);
}

std::wstring KovikCoreControl::BuildLoginUrl() {
    return m_core.BuildLoginUrl();
}
