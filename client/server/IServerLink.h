// What the core asks of its connection to the central server (NodeConn), and
// what the connection asks of its owner. The two faces let each side be tested
// with a stand-in for the other.
#pragma once

#include "client/library/ScannerRecords.h"
#include "include/net/SocketSet.h"

#include <cstdint>
#include <list>
#include <map>
#include <string>

class FileScanner;
class FileStreamer;
class IKovikUI;

namespace platform {
class SslContext;
}

enum NodeConnState {
    NC_NOT_CONNECTED = 1,
    NC_WAITING_FOR_SECSTR = 3,
    NC_CONNECTED = 4,
};

enum NodeConnMode {
    NCM_NOT_SET = 0,
    NCM_NORMAL = 1,
    NCM_LOGIN = 2,
    NCM_ONETIME_LOGIN = 3,
};

// Play counts waiting to be reported: song id -> increase.
using PlayCountMap = std::map<uint32_t, uint32_t>;

class IServerLink {
  public:
    virtual ~IServerLink() = default;

    // Once at start-up; a null context runs the connection without TLS.
    virtual void InitServerConnection(const platform::SslContext* sslContext,
                                      const std::string& sessionSalt) = 0;
    virtual void Start(int connMode, const std::wstring& userName, const std::wstring& password) = 0;
    virtual void RequestClose() = 0;
    virtual void Shutdown() = 0;

    // One pass of the core loop: connects, reads and answers, uploads changes.
    virtual void Tick(FileScanner& scanner) = 0;
    virtual void AddToFdSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet,
                             SocketSet& exceptSet) = 0;
    virtual void HandleSelect(const SocketSet& readSet, const SocketSet& writeSet,
                              const SocketSet& exceptSet) = 0;
    // True when the next pass has work without waiting for a socket: bytes
    // held by TLS, or a low-priority result that can be sent now.
    virtual bool HasWorkWithoutWaiting() = 0;

    virtual int GetState() const = 0;
    virtual int GetConnMode() const = 0;
    virtual bool HasConnectedOnce() const = 0;
    virtual int GetNumTransfers() const = 0;
    virtual std::wstring GetStatusLine() const = 0;
    // The account the session signs in with (UTF-8), for the song server.
    virtual std::string GetUserName() const = 0;

    // Senders that write only whole frames; false when nothing was written.
    // Sends up to 900 counts, removing those sent.
    virtual bool SendPlayCounts(PlayCountMap& counts) = 0;
    // Sends (or drops, when it can never fit) the oldest playlist.
    virtual bool SendPlaylist(std::list<ResolvedPlaylist>& playlists) = 0;
    virtual bool SendSharesChanged() = 0;
    virtual void SendLocalPort(uint32_t port) = 0;
};

class IServerLinkOwner {
  public:
    virtual ~IServerLinkOwner() = default;

    virtual bool IsStopping() const = 0;
    virtual IKovikUI* GetUi() const = 0;
    virtual FileStreamer& GetFileStreamer() = 0;
    // Hello field: a music-folder search is under way.
    virtual bool IsSearchRunning() const = 0;
    virtual bool GetDownloadDir(std::wstring& path) = 0;
    virtual bool GetPlaylistDir(std::wstring& path) = 0;

    virtual void OnAccountAnswer(int result, const std::wstring& credential, int connMode) = 0;
    virtual void OnAccountStatus(int code) = 0;
    virtual void SetPlayCountSettings(bool enabled, uint32_t hours) = 0;
    virtual void UpgradeReady(const std::wstring& installerPath) = 0;
    // The second string of the last security-string message ("" when
    // disconnected), kept for the web-site login address.
    virtual void SetWebLoginSecret(const std::string& secret) = 0;
    // Imports the media library's playlists on a thread of its own; they
    // come back to the core as a request.
    virtual void StartPlaylistImport() = 0;
};
