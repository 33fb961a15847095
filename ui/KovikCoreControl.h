// The program's core behind the user interface's view of it.
#pragma once

#include "include/thread/Threads.h"
#include "ui/CoreControl.h"

class KovikCore;

class KovikCoreControl final : public CoreControl {
  public:
    explicit KovikCoreControl(KovikCore& core) : m_core(core) {}

    bool StartCore(IKovikUI* ui) override;
    bool StartCoreThread() override;
    bool WaitCoreThread(uint32_t timeoutMs) override;
    void SetStopFlag() override;
    bool HasAccount() override;

    void PostStartRequest() override;
    void PostChangeAccountRequest() override;
    void PostSetSharesRequest(const std::vector<std::wstring>& folders) override;

    std::wstring GetUsername() override;
    std::vector<std::wstring> GetShares() override;
    bool GetPlaylistDir(std::wstring* path) override;
    std::wstring BuildLoginUrl() override;

  private:
    KovikCore& m_core;
    ThreadHandle m_thread;
};
