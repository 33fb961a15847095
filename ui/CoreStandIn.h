// PLACEHOLDER for the program's core until the real core is connected to the
// user interface: it sets up the log as the core's start-up would, says in
// the log that it is a stand-in, and runs a core thread that only reports
// "not connected" and waits for the stop flag. Requests are logged and
// dropped.
#pragma once

#include "include/thread/Threads.h"
#include "ui/CoreControl.h"

#include <atomic>

class CoreStandIn final : public CoreControl {
public:
    bool StartCore(IKovikUI* ui) override;
    bool StartCoreThread() override;
    bool WaitCoreThread(uint32_t timeoutMs) override;
    void SetStopFlag() override { m_stop.store(true); }
    bool HasAccount() override { return false; }

    void PostStartRequest() override;
    void PostChangeAccountRequest() override;
    void PostSetSharesRequest(const std::vector<std::wstring>& folders) override;

    std::wstring GetUsername() override { return std::wstring(); }
    std::vector<std::wstring> GetShares() override { return {}; }
    bool GetPlaylistDir(std::wstring* path) override;
    std::wstring BuildLoginUrl() override;

private:
    static void ThreadMain(void* self);

    IKovikUI* m_ui = nullptr;
    std::atomic<bool> m_stop{false};
    ThreadHandle m_thread;
};
