// What the program's entry and windows need of the core: its start-up, its
// thread, the stop flag, and the requests and getters of the tray menu.
#pragma once

#include "client/core/IKovikUI.h"

#include <cstdint>
#include <string>
#include <vector>

class CoreControl {
  public:
    virtual ~CoreControl() = default;

    // The core's start-up, on the UI thread before the core thread exists.
    virtual bool StartCore(IKovikUI* ui) = 0;
    // Starts the core thread; false when it could not be created.
    virtual bool StartCoreThread() = 0;
    // Waits up to `timeoutMs` for the core thread; true when it has ended or
    // was never started.
    virtual bool WaitCoreThread(uint32_t timeoutMs) = 0;
    // Asks the core loop to end.
    virtual void SetStopFlag() = 0;
    // An account was stored when the core started.
    virtual bool HasAccount() = 0;

    virtual void PostStartRequest() = 0;
    virtual void PostChangeAccountRequest() = 0;
    virtual void PostSetSharesRequest(const std::vector<std::wstring>& folders) = 0;

    virtual std::wstring GetUsername() = 0;
    virtual std::vector<std::wstring> GetShares() = 0;
    virtual bool GetPlaylistDir(std::wstring* path) = 0;
    virtual std::wstring BuildLoginUrl() = 0;
};
