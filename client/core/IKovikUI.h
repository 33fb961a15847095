// The only way the core (its thread and the threads it starts) talks to the
// user interface. Every operation only queues a message for the UI thread and
// returns at once; payloads handed over belong to the UI from then on, and are
// freed if they are never delivered.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A finished peer transfer.
struct TransferNotice {
    static constexpr uint8_t kReceived = 0;
    static constexpr uint8_t kSent = 1;

    uint8_t kind = kReceived;
    std::wstring path;
    uint32_t value1 = 0;
    uint32_t value2 = 0;
};

// A playlist file written for the server.
struct PlaylistNotice {
    std::wstring path;
    std::wstring title;
    std::vector<std::wstring> entries;
};

// Status bits of SetStatus.
constexpr uint32_t kStatusConnected = 1u << 0;
constexpr uint32_t kStatusTransfers = 1u << 1;

class IKovikUI {
  public:
    virtual ~IKovikUI() = default;

    // The text is copied into the message.
    virtual void ShowFatalError(const std::wstring& text) = 0;
    virtual void StartLogin() = 0;
    virtual void TransferFinished(std::unique_ptr<TransferNotice> notice) = 0;
    virtual void LoginResult(int result) = 0;
    virtual void AccountProblem(int status) = 0;
    // The path of the downloaded installer.
    virtual void UpgradeReady(std::unique_ptr<std::wstring> installerPath) = 0;
    virtual void SetStatus(uint32_t statusBits) = 0;
    virtual void ShowFoldersDialog() = 0;
    virtual void PlaylistSaved(std::unique_ptr<PlaylistNotice> notice) = 0;
    // A null title is delivered and ignored.
    virtual void PlaylistDeleted(std::unique_ptr<std::wstring> title) = 0;
};

// The UI for code that has no core at hand (server messages, transfers, the
// upgrader); null until the core starts.
extern IKovikUI* g_ui;
