// The program's one non-blocking TCP connection, optionally over TLS. It
// connects out, or listens on a port that several connections share: a new
// connection on a shared port that starts with "GET " is handed to the port's
// HTTP factory, any other must announce a connection id and is handed to the
// connection listening for that id. Everything runs on the core thread from
// its select loop; nothing blocks except the name lookup of Connect.
#pragma once

#include "include/io/Buf.h"
#include "include/net/RateCounter.h"
#include "include/net/SocketSet.h"
#include "include/util/StateMachine.h"
#include "platform/fs/UniqueFd.h"

#include <netinet/in.h>

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class SslContext;
class SslSession;
} // namespace platform

enum TcpConnState {
    TC_NOT_CONNECTED = 1,
    TC_CREATE_CONNECT_SOCKET = 2,
    TC_CONNECTING = 3,
    TC_CREATE_LISTEN_SOCKET = 4,
    TC_LISTENING = 5,
    TC_FAILED = 6,
    TC_CONNECTED = 7,
    PENDING_WR_SHUTDOWN = 8,
    TC_WR_SHUTDOWN = 9,
    TC_CLOSED = 10,
};

class TcpConn;

// Makes the connection object that serves an HTTP request arriving on `port`
// and returns its TcpConn, left in TC_LISTENING; null to refuse the request.
using HttpConnFactory = TcpConn* (*)(void* context, uint16_t port);

// The connection id of HTTP requests on a shared port.
extern const wchar_t kHttpConnId[];

class TcpConn {
  public:
    static constexpr int kDefaultBufSize = 8000;
    static constexpr int kDefaultSockBufSize = 16384;
    static constexpr uint32_t kMeterWindow = 10;
    static constexpr int kMaxHostChars = 255;

    TcpConn();
    // Closes the socket and leaves the listen port, if still there.
    ~TcpConn();
    TcpConn(const TcpConn&) = delete;
    TcpConn& operator=(const TcpConn&) = delete;

    // Back to TC_NOT_CONNECTED with empty buffers; the socket must be closed.
    void Reset();
    // New buffers of these sizes; their contents are lost.
    void SetBufSizes(int inSize, int outSize);
    // Runs this connection over TLS from the next Start on.
    [[nodiscard]] bool EnableSsl(const platform::SslContext& context);

    void Connect(const std::string& host, uint16_t port);
    // Connects and queues the preamble that announces `connID` to the peer.
    void ConnectApp(const std::wstring& connID, const std::string& host, uint16_t port);
    // Takes HTTP requests on `port` (0: any free port, then GetPort) through
    // `factory`; false when the port cannot be opened.
    bool ListenHttp(uint16_t port, HttpConnFactory factory, void* context);
    // Waits on `port` for a connection that announces `connID`.
    void ListenForApp(const std::wstring& connID, uint16_t port);

    // For a connection whose answer still goes out after the peer has sent
    // all it will: the peer's end of input then only stops reading.
    void KeepSendingAfterPeerEnd() { m_keepSendingAfterPeerEnd = true; }
    // True once the peer has ended its input on such a connection.
    bool HasPeerEnded() const { return m_peerEnded; }

    void Read();
    void Write();
    void ShutdownWhenSent();
    void ShutdownWrite();
    void OnConnectFailed();
    void Close();

    bool IsReadIdleFor(int64_t seconds) const;
    bool IsIdleFor(int64_t seconds) const;
    const std::wstring& GetStateName() const;
    void LogCipher();

    // Enters the socket in the sets this pass needs.
    void AddToFdSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet, SocketSet& exceptSet);
    void HandleSelect(const SocketSet& readSet, const SocketSet& writeSet, const SocketSet& exceptSet);
    // True while TLS holds decrypted bytes that fit in inBuf: the owner should
    // not let select wait, since the socket itself may never become readable.
    bool HasPendingInput() const;
    // For an HTTP factory: readies a new connection to take over a socket
    // accepted on `port` of `host` (TC_LISTENING, set directly).
    void PrepareForHandOver(const std::string& host, uint16_t port) {
        m_host = host.substr(0, kMaxHostChars);
        m_port = port;
        m_state = TC_LISTENING;
    }

    // Port-wide work for every shared listening port.
    static void FillListenFdSets(SocketSet& readSet, int& maxFd);
    static void Accept(const SocketSet& readSet);
    static void CloseAllListenPorts();

    TcpConnState GetState() const { return m_state; }
    int GetSocket() const { return m_sockFD.Get(); }
    const std::string& GetHost() const { return m_host; }
    uint16_t GetPort() const { return m_port; }
    const std::wstring& GetConnId() const { return m_connID; }
    bool IsSslOn() const { return m_sslOn; }
    RateCounter& GetReadMeter() { return m_readMeter; }
    RateCounter& GetWriteMeter() { return m_writeMeter; }

    Buf inBuf;
    Buf outBuf;

  private:
    friend class ListenPortTable;

    void Start(HttpConnFactory factory, void* context, int sockBufSize);
    bool Listen(HttpConnFactory factory, void* context, int sockBufSize);
    void ChangeState(TcpConnState newState);
    // Takes over a pending connection's socket and unread bytes; the pending
    // connection is left without a socket.
    [[nodiscard]] bool TakeSocket(TcpConn& pending);
    void LeaveListenPort();
    void HandleSslSelect(bool readable, bool writable);
    void CloseSocket();
    void StampReadTime();
    void StampWriteTime();

    platform::UniqueFd m_sockFD;
    sockaddr_in m_peerAddr{};
    std::string m_host;
    uint16_t m_port = 0;
    TcpConnState m_state = TC_NOT_CONNECTED;
    RateCounter m_writeMeter;
    RateCounter m_readMeter;
    bool m_sslOn = false;
    const platform::SslContext* m_pSslCtx = nullptr;
    std::unique_ptr<platform::SslSession> m_pCrypt;
    bool m_readWantsWrite = false;
    bool m_writeWantsRead = false;
    bool m_readWantsRead = false;
    StateMachine m_states;
    std::wstring m_connID;
    int64_t m_lastReadTime = 0;
    int64_t m_lastWriteTime = 0;
    bool m_keepSendingAfterPeerEnd = false;
    bool m_peerEnded = false;
};
