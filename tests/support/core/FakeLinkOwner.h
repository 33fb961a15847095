// The core as the server connection sees it: records the answers, statuses
// and settings it is given; folders and UI are the test's.
#pragma once

#include "client/server/IServerLink.h"
#include "client/stream/FileStreamer.h"
#include "tests/support/core/RecordingUI.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class RecordingStreamer final : public FileStreamer {
  public:
    void AddConn(std::unique_ptr<HttpConn> conn) override {
        hosts.push_back(conn->GetConn().GetHost());
        ports.push_back(conn->GetConn().GetPort());
        connIds.push_back(conn->GetConn().GetConnId());
        conn->GetConn().Close();
    }
    std::vector<std::string> hosts;
    std::vector<uint16_t> ports;
    std::vector<std::wstring> connIds;
};

class FakeLinkOwner final : public IServerLinkOwner {
  public:
    struct Answer {
        int result;
        std::wstring credential;
        int mode;
    };

    bool IsStopping() const override { return stopping; }
    IKovikUI* GetUi() const override { return const_cast<RecordingUI*>(&ui); }
    FileStreamer& GetFileStreamer() override { return streamer; }
    bool IsSearchRunning() const override { return searchRunning; }
    bool GetDownloadDir(std::wstring& path) override {
        path = downloadDir;
        return !path.empty();
    }
    bool GetPlaylistDir(std::wstring& path) override {
        path = playlistDir;
        return !path.empty();
    }
    void OnAccountAnswer(int result, const std::wstring& credential, int mode) override {
        answers.push_back({result, credential, mode});
    }
    void OnAccountStatus(int code) override { statuses.push_back(code); }
    void SetPlayCountSettings(bool enabled, uint32_t hours) override {
        playCountsEnabled = enabled;
        playCountHours = hours;
        ++playCountSettings;
    }
    void UpgradeReady(const std::wstring& path) override { upgrades.push_back(path); }
    void SetWebLoginSecret(const std::string& secret) override { webSecret = secret; }
    void StartPlaylistImport() override { ++playlistImports; }

    bool stopping = false;
    bool searchRunning = false;
    std::wstring downloadDir;
    std::wstring playlistDir;
    RecordingUI ui;
    RecordingStreamer streamer;
    std::vector<Answer> answers;
    std::vector<int> statuses;
    bool playCountsEnabled = false;
    uint32_t playCountHours = 0;
    int playCountSettings = 0;
    int playlistImports = 0;
    std::vector<std::wstring> upgrades;
    std::string webSecret;
};

} // namespace testsupport
