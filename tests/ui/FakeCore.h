// A core for driving the user interface: records what the UI asks of it, and
// either runs a thread that ends soon after the stop flag or one that never
// ends (its waits give up at once, so no test waits for a time-out). A thread
// whose stop flag never comes ends by itself after the wait deadline, and
// never outlives the fake.
#pragma once

#include "include/thread/Threads.h"
#include "tests/support/WaitUntil.h"
#include "ui/CoreControl.h"

#include <atomic>
#include <functional>

namespace uitest {

class FakeCore final : public CoreControl {
  public:
    enum ThreadMode { THREAD_ENDS_ON_STOP, THREAD_HANGS };

    FakeCore() = default;
    ~FakeCore() override {
        stop.store(true);
        (void)WaitThread(thread, testsupport::kWaitTimeout.count());
    }
    FakeCore(const FakeCore&) = delete;
    FakeCore& operator=(const FakeCore&) = delete;

    bool StartCore(IKovikUI* ui) override {
        this->ui = ui;
        ++startCoreCalls;
        if (onStartCore)
            onStartCore(ui);
        return true;
    }
    bool StartCoreThread() override {
        ++threadStarts;
        if (mode == THREAD_HANGS)
            return true;
        return StartThread(
            [](void* self) {
                auto* core = static_cast<FakeCore*>(self);
                (void)testsupport::WaitUntil([core] { return core->stop.load(); });
            },
            this, &thread);
    }
    bool WaitCoreThread(uint32_t timeoutMs) override {
        waits.push_back(timeoutMs);
        if (mode == THREAD_HANGS)
            return false;
        return WaitThread(thread, timeoutMs);
    }
    void SetStopFlag() override { stop.store(true); }
    bool HasAccount() override { return hasAccount; }

    void PostStartRequest() override { ++startRequests; }
    void PostChangeAccountRequest() override { ++changeAccountRequests; }
    void PostSetSharesRequest(const std::vector<std::wstring>& folders) override {
        shareRequests.push_back(folders);
    }

    std::wstring GetUsername() override { return username; }
    std::vector<std::wstring> GetShares() override { return shares; }
    bool GetPlaylistDir(std::wstring* path) override {
        if (playlistDir.empty())
            return false;
        *path = playlistDir;
        return true;
    }
    std::wstring BuildLoginUrl() override { return loginUrl; }

    ThreadMode mode = THREAD_ENDS_ON_STOP;
    IKovikUI* ui = nullptr;
    bool hasAccount = false;
    std::wstring username;
    std::vector<std::wstring> shares;
    std::wstring playlistDir;
    std::wstring loginUrl = L"https://web.example/";
    std::function<void(IKovikUI*)> onStartCore;

    int startCoreCalls = 0;
    int threadStarts = 0;
    int startRequests = 0;
    int changeAccountRequests = 0;
    std::vector<std::vector<std::wstring>> shareRequests;
    std::vector<uint32_t> waits;
    std::atomic<bool> stop{false};
    ThreadHandle thread;
};

} // namespace uitest
