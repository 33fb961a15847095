// The program's one connection to the central server: TLS to the redirector
// first, the security string, then a hello (normal session) or an account
// check (sign-in), every message in both directions, reconnection with
// back-off, the idle watchdog, periodic status, the running peer transfers and
// the low-priority scans whose results it sends. Core thread only.
#pragma once

#include "client/library/LowPriScanner.h"
#include "client/net/TcpConn.h"
#include "client/protocol/mvMessage.h"
#include "client/server/HelloSystemInfo.h"
#include "client/server/IServerLink.h"
#include "client/stream/FileTransfer.h"
#include "include/io/Buf.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

class FileScanner;
class SharedFile;
struct UpgradeRequest;

class NodeConn final : public IServerLink {
  public:
    static constexpr int kInBufBytes = 8192;
    static constexpr int kOutBufBytes = 32768;
    // Room kept for one file record and its change stamp.
    static constexpr int kNewFileBodyBytes = 14106;
    static constexpr int64_t kLoginTimeoutSecs = 60;
    static constexpr int64_t kIdleTimeoutSecs = 90;
    static constexpr int64_t kStatusSecs = 20;
    static constexpr int64_t kStatusSecsWithTransfers = 3;
    static constexpr int64_t kChangeUploadSecs = 3;
    static constexpr int kMaxPlayCountsPerMessage = 900;

    using TransferFactory = std::function<std::unique_ptr<FileTransfer>(IKovikUI* ui)>;

    // Empty parts are the program's own.
    explicit NodeConn(IServerLinkOwner& owner, std::unique_ptr<LowPriScanner> lowPriScanner = nullptr,
                      TransferFactory transferFactory = nullptr,
                      HelloSystemInfoReader systemInfoReader = nullptr);
    ~NodeConn() override;
    NodeConn(const NodeConn&) = delete;
    NodeConn& operator=(const NodeConn&) = delete;

    // ---- IServerLink ----
    void InitServerConnection(const platform::SslContext* sslContext,
                              const std::string& sessionSalt) override;
    void Start(int connMode, const std::wstring& userName, const std::wstring& password) override;
    void RequestClose() override;
    void Shutdown() override;
    void Tick(FileScanner& scanner) override;
    void AddToFdSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet,
                     SocketSet& exceptSet) override;
    void HandleSelect(const SocketSet& readSet, const SocketSet& writeSet,
                      const SocketSet& exceptSet) override;
    bool HasWorkWithoutWaiting() override;
    int GetState() const override { return m_state; }
    int GetConnMode() const override { return m_connMode; }
    bool HasConnectedOnce() const override { return m_connectedOnce; }
    int GetNumTransfers() const override;
    std::wstring GetStatusLine() const override;
    std::string GetUserName() const override { return m_username; }
    bool SendPlayCounts(PlayCountMap& counts) override;
    bool SendPlaylist(std::list<ResolvedPlaylist>& playlists) override;
    bool SendSharesChanged() override;
    void SendLocalPort(uint32_t port) override;

    // ---- the rest, for the tick and for tests ----
    void ResetToRedirector();
    // Reads and handles every whole frame in the input buffer.
    void processServerBuffer(FileScanner& scanner);
    // Uploads queued library changes (normal session, changes allowed).
    void SendChangeQueue(FileScanner& scanner);
    [[nodiscard]] bool SendMessage(uint16_t type, Buf& body);
    bool SendStatus();
    bool SendTransferStatus(const TransferId& id, int status);
    bool SendFileDetails(FileScanner& scanner, uint32_t cfID, SharedFile* file);
    // Takes a started transfer into the list.
    void AddTransfer(std::unique_ptr<FileTransfer> transfer);

    bool CanSendChanges() const { return m_canSendChanges; }
    void SetCanSendChanges() { m_canSendChanges = true; }
    void ClearCanSendChanges() { m_canSendChanges = false; }
    TcpConn& GetConn() { return m_conn; }
    uint32_t GetSessionSerial() const { return m_sessionSerial; }
    uint32_t GetFailures() const { return m_failures; }
    uint32_t GetFailuresSinceSuccess() const { return m_failuresSinceSuccess; }
    // Monotonic seconds.
    int64_t GetNextConnectTime() const { return m_nextConnectTime; }
    const std::string& GetHost() const { return m_host; }
    uint16_t GetPort() const { return m_port; }
    bool HasListingRequest() const { return m_listingRequested; }

  private:
    enum HandlerResult {
        HR_OK,          // go on with the next frame
        HR_CLOSE,       // malformed or out of place: close the connection
        HR_END_SESSION, // the session is over: no reconnect, close
    };

    // Lifecycle.
    void StepTransfers(FileScanner& scanner);
    void CheckIdle();
    void OnDisconnected();
    void CountFailure();
    void ScheduleReconnect();
    void SendLowPriResults(FileScanner& scanner);
    void CheckUpgrade();
    void ConnectIfDue();
    void setGlobalAddresses();
    void CloseConn();
    void ClearSecurityStrings();

    // Incoming.
    // Bytes of the largest frame sent in reply to a message of `type`.
    int ReplyRoomNeeded(uint16_t type, uint32_t bodyBytes) const;
    HandlerResult Dispatch(uint16_t type, FileScanner& scanner);
    // Checks the body once all its fields are read; logs a short body.
    bool BodyIsGood(uint16_t type);
    HandlerResult HandleRedirect();
    HandlerResult HandleEcho();
    HandlerResult HandleAccountStatus();
    HandlerResult HandleAccountCheckResult();
    HandlerResult HandleSecurityString(FileScanner& scanner);
    HandlerResult HandleUpgrade();
    HandlerResult HandleSendLog();
    HandlerResult HandlePlayFile(FileScanner& scanner);
    HandlerResult HandlePlayList(FileScanner& scanner);
    HandlerResult HandleSongInfo(FileScanner& scanner);
    HandlerResult HandleFileDetailsRequest(FileScanner& scanner);
    HandlerResult HandleNewFileAck(FileScanner& scanner);
    HandlerResult HandlePlayCountSettings();
    HandlerResult HandleStartChanges(FileScanner& scanner);
    HandlerResult HandleConnectStream(FileScanner& scanner);
    HandlerResult HandleSavePlaylist(FileScanner& scanner);
    HandlerResult HandleDeletePlaylist();
    HandlerResult HandleTransfer(FileScanner& scanner);
    HandlerResult HandleAbortTransfer();
    HandlerResult HandleDeleteTempFile();

    // Outgoing.
    // True when a frame of `frameBytes` fits the output buffer once drained;
    // one that does not can never be sent.
    bool FitsEmptyOutBuf(int64_t frameBytes) const;
    void RequestSecurityString(int numFiles);
    int HelloBodyBytes() const;
    int AccountCheckBodyBytes() const;
    bool SendHello(FileScanner& scanner);
    bool SendAccountCheck();
    bool SendEmpty(uint16_t type);
    void SendSyncCompleteIfDone(FileScanner& scanner);
    bool SendNewFile(FileScanner& scanner, uint32_t cfID);
    bool SendFileRemoved(uint32_t kind, uint32_t cfID, uint64_t stamp);

    IServerLinkOwner& m_owner;
    TcpConn m_conn;
    int m_state = NC_NOT_CONNECTED;
    uint32_t m_sessionSerial;
    int64_t m_lastStatusTime = 0;
    int m_connMode = NCM_NOT_SET;
    int64_t m_loginStartTime = 0;
    uint32_t m_failures = 0;
    bool m_gotRedirect = false;
    int64_t m_nextConnectTime = 0;
    bool m_loginCheckMode = false;
    uint32_t m_failuresSinceSuccess = 0;
    std::list<std::unique_ptr<FileTransfer>> m_transfers;
    TransferFactory m_transferFactory;
    std::string m_serverSalt;
    std::string m_secondSecurityString;
    std::string m_username;
    std::string m_password;
    std::string m_oneTimePassword;
    std::string m_localIp;
    std::string m_hostName;
    HelloSystemInfoReader m_systemInfoReader;
    // Read when the connection comes up.
    HelloSystemInfo m_systemInfo;
    // Shared with its worker thread.
    std::shared_ptr<UpgradeRequest> m_upgrade;
    std::string m_sessionSalt;
    uint32_t m_localHttpPort = 0;
    bool m_canSendChanges = false;
    Buf m_newFileBody;
    uint32_t m_serverValue = 0;
    bool m_closeConn = false;
    bool m_connectedOnce = false;
    bool m_sentAccountCheck = false;
    bool m_listingRequested = false;
    std::string m_host;
    uint16_t m_port = 0;
    // The body of the frame being handled; handlers read only from here.
    Buf m_body;
    std::unique_ptr<LowPriScanner> m_lowPriScanner;
};
