// A server connection that only records what the core asks of it; a test sets
// its state and whether its output has room.
#pragma once

#include "client/server/IServerLink.h"
#include "tests/support/core/FakeLibrary.h"

#include <algorithm>
#include <string>
#include <vector>

namespace testsupport {

class FakeServerLink final : public IServerLink {
  public:
    struct StartCall {
        int mode;
        std::wstring user;
        std::wstring password;
    };

    explicit FakeServerLink(EventLog* log = nullptr) : m_log(log) {}

    void InitServerConnection(const platform::SslContext* context, const std::string& salt) override {
        ++inits;
        hadTlsContext = context != nullptr;
        sessionSalt = salt;
    }
    void Start(int mode, const std::wstring& user, const std::wstring& password) override {
        starts.push_back({mode, user, password});
        connMode = mode;
    }
    void RequestClose() override {
        ++closeRequests;
        connMode = NCM_NOT_SET;
    }
    void Shutdown() override {
        ++shutdowns;
        if (m_log)
            m_log->Add("Shutdown");
    }
    void Tick(FileScanner&) override { ++ticks; }
    void AddToFdSets(int&, bool&, SocketSet&, SocketSet&, SocketSet&) override {}
    void HandleSelect(const SocketSet&, const SocketSet&, const SocketSet&) override {}
    bool HasWorkWithoutWaiting() override { return false; }
    int GetState() const override { return state; }
    int GetConnMode() const override { return connMode; }
    bool HasConnectedOnce() const override { return connectedOnce; }
    int GetNumTransfers() const override { return numTransfers; }
    std::wstring GetStatusLine() const override { return L"fake link"; }
    std::string GetUserName() const override { return userName; }
    bool SendPlayCounts(PlayCountMap& counts) override {
        if (!hasRoom)
            return false;
        size_t n = std::min<size_t>(counts.size(), 900);
        std::vector<std::pair<uint32_t, uint32_t>> batch(counts.begin(), std::next(counts.begin(), n));
        counts.erase(counts.begin(), std::next(counts.begin(), n));
        playCountBatches.push_back(batch);
        return true;
    }
    bool SendPlaylist(std::list<ResolvedPlaylist>& playlists) override {
        if (!hasRoom || playlists.empty())
            return false;
        sentPlaylists.push_back(playlists.front().name);
        playlists.pop_front();
        return true;
    }
    bool SendSharesChanged() override {
        ++sharesChanged;
        return true;
    }
    void SendLocalPort(uint32_t port) override { localPort = port; }

    int state = NC_NOT_CONNECTED;
    int connMode = NCM_NOT_SET;
    bool connectedOnce = false;
    int numTransfers = 0;
    bool hasRoom = true;
    int inits = 0;
    bool hadTlsContext = false;
    std::string sessionSalt;
    std::vector<StartCall> starts;
    int closeRequests = 0;
    int shutdowns = 0;
    int ticks = 0;
    int sharesChanged = 0;
    uint32_t localPort = 0;
    std::string userName = "listener";
    std::vector<std::vector<std::pair<uint32_t, uint32_t>>> playCountBatches;
    std::vector<std::wstring> sentPlaylists;

  private:
    EventLog* m_log;
};

} // namespace testsupport
