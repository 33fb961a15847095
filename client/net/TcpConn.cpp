#include "client/net/TcpConn.h"

#include "client/net/ConnPreamble.h"
#include "client/net/ListenPort.h"
#include "include/log/Logger.h"
#include "include/net/Sockets.h"
#include "platform/lib/openssl/SslSession.h"
#include "platform/net/Resolver.h"
#include "platform/time/Clock.h"

#include <arpa/inet.h>
#include <openssl/err.h>

#include <cerrno>

const wchar_t kHttpConnId[] = L"MV_HTTP";

namespace {

constexpr int kMaxSslErrorText = 256;

bool IsWouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS;
}

} // namespace

TcpConn::TcpConn()
    : inBuf(kDefaultBufSize), outBuf(kDefaultBufSize), m_writeMeter(kMeterWindow), m_readMeter(kMeterWindow) {
    m_states.AddState(TC_NOT_CONNECTED, L"TC_NOT_CONNECTED");
    m_states.AddState(TC_CREATE_CONNECT_SOCKET, L"TC_CREATE_CONNECT_SOCKET");
    m_states.AddState(TC_CONNECTING, L"TC_CONNECTING");
    m_states.AddState(TC_CREATE_LISTEN_SOCKET, L"TC_CREATE_LISTEN_SOCKET");
    m_states.AddState(TC_LISTENING, L"TC_LISTENING");
    m_states.AddState(TC_FAILED, L"TC_FAILED");
    m_states.AddState(TC_CONNECTED, L"TC_CONNECTED");
    m_states.AddState(PENDING_WR_SHUTDOWN, L"PENDING_WR_SHUTDOWN");
    m_states.AddState(TC_WR_SHUTDOWN, L"TC_WR_SHUTDOWN");
    m_states.AddState(TC_CLOSED, L"TC_CLOSED");

    m_states.AddTransition(TC_NOT_CONNECTED, TC_CREATE_CONNECT_SOCKET);
    m_states.AddTransition(TC_NOT_CONNECTED, TC_CREATE_LISTEN_SOCKET);
    m_states.AddTransition(TC_NOT_CONNECTED, TC_CLOSED);
    m_states.AddTransition(TC_CREATE_LISTEN_SOCKET, TC_LISTENING);
    m_states.AddTransition(TC_CREATE_LISTEN_SOCKET, TC_CLOSED);
    m_states.AddTransition(TC_CREATE_LISTEN_SOCKET, TC_FAILED);
    m_states.AddTransition(TC_LISTENING, TC_CONNECTED);
    m_states.AddTransition(TC_LISTENING, TC_FAILED);
    m_states.AddTransition(TC_LISTENING, TC_CLOSED);
    m_states.AddTransition(TC_CREATE_CONNECT_SOCKET, TC_CONNECTING);
    m_states.AddTransition(TC_CREATE_CONNECT_SOCKET, TC_CONNECTED);
    m_states.AddTransition(TC_CREATE_CONNECT_SOCKET, TC_FAILED);
    m_states.AddTransition(TC_CREATE_CONNECT_SOCKET, TC_CLOSED);
    m_states.AddTransition(TC_CONNECTING, TC_CONNECTED);
    m_states.AddTransition(TC_CONNECTING, TC_CLOSED);
    m_states.AddTransition(TC_CONNECTING, TC_FAILED);
    m_states.AddTransition(TC_CONNECTED, TC_CLOSED);
    m_states.AddTransition(TC_CONNECTED, PENDING_WR_SHUTDOWN);
    m_states.AddTransition(TC_FAILED, TC_CLOSED);
    m_states.AddTransition(PENDING_WR_SHUTDOWN, TC_CLOSED);
    m_states.AddTransition(PENDING_WR_SHUTDOWN, TC_WR_SHUTDOWN);
    m_states.AddTransition(TC_WR_SHUTDOWN, TC_CLOSED);
    m_states.AddTransition(TC_CLOSED, TC_NOT_CONNECTED);

    m_lastReadTime = m_lastWriteTime = platform::MonotonicSeconds();
    Reset();
}

TcpConn::~TcpConn() {
    if (m_sockFD.IsValid() || m_state == TC_LISTENING)
        Close();
}

void TcpConn::Reset() {
    if (m_sockFD.IsValid()) {
        MVLOG(LOG_ERR, "Reset of conn %p with open socket %i; closing it", static_cast<void*>(this),
              m_sockFD.Get());
        CloseSocket();
    }
    inBuf.Reset();
    outBuf.Reset();
    m_readMeter.Clear();
    m_writeMeter.Clear();
    m_peerAddr = sockaddr_in{};
    m_host.clear();
    m_port = 0;
    m_lastReadTime = m_lastWriteTime = 0;
    m_peerEnded = false;
    m_state = TC_NOT_CONNECTED;
}

void TcpConn::SetBufSizes(int inSize, int outSize) {
    inBuf.Reallocate(inSize);
    outBuf.Reallocate(outSize);
}

bool TcpConn::EnableSsl(const platform::SslContext& context) {
    if (m_pCrypt || m_sockFD.IsValid()) {
        MVLOG(LOG_ERR, "EnableSsl on conn %p that already has SSL or a socket", static_cast<void*>(this));
        return false;
    }
    m_pCrypt = platform::SslSession::Create(context);
    if (!m_pCrypt) {
        MVLOG(LOG_ERR, "Could not create the SSL object, err %lu", ERR_get_error());
        return false;
    }
    m_pSslCtx = &context;
    m_sslOn = true;
    m_readWantsWrite = m_writeWantsRead = m_readWantsRead = false;
    return true;
}

void TcpConn::Connect(const std::string& host, uint16_t port) {
    m_port = port;
    m_host = host.substr(0, kMaxHostChars);
    ChangeState(TC_CREATE_CONNECT_SOCKET);
    Start(nullptr, nullptr, kDefaultSockBufSize);
}

void TcpConn::ConnectApp(const std::wstring& connID, const std::string& host, uint16_t port) {
    if (connID.empty() || outBuf.HasData()) {
        MVLOG(LOG_ERR, "ConnectApp needs an id and an empty output buffer");
        return;
    }
    m_port = port;
    m_host = host.substr(0, kMaxHostChars);
    m_connID = connID;
    ChangeState(TC_CREATE_CONNECT_SOCKET);
    Start(nullptr, nullptr, kDefaultSockBufSize);
    if (!WriteConnPreamble(outBuf, connID))
        MVLOG(LOG_ERR, "Connection preamble for %ls does not fit", connID.c_str());
}

bool TcpConn::ListenHttp(uint16_t port, HttpConnFactory factory, void* context) {
    m_port = port;
    m_host = "localhost";
    m_connID = kHttpConnId;
    ChangeState(TC_CREATE_LISTEN_SOCKET);
    Start(factory, context, kDefaultSockBufSize);
    return m_state != TC_FAILED;
}

void TcpConn::ListenForApp(const std::wstring& connID, uint16_t port) {
    m_port = port;
    m_host.clear();
    m_connID = connID;
    ChangeState(TC_CREATE_LISTEN_SOCKET);
    Start(nullptr, nullptr, kDefaultSockBufSize);
}

void TcpConn::Start(HttpConnFactory factory, void* context, int sockBufSize) {
    inBuf.Reset();
    outBuf.Reset();
    m_peerEnded = false;
    m_lastReadTime = m_lastWriteTime = platform::MonotonicSeconds();

    if (m_state == TC_CREATE_LISTEN_SOCKET) {
        // Port 0 takes any free port, which only HTTP requests can find.
        if (m_port == 0 && !factory) {
            MVLOG(LOG_ERR, "Cannot listen on port 0");
            ChangeState(TC_FAILED);
            return;
        }
        bool listening = Listen(factory, context, sockBufSize);
        MVLOG(LOG_VERB, "tried to listen on port %i, result: %i", m_port, listening ? 1 : 0);
        ChangeState(listening ? TC_LISTENING : TC_FAILED);
        return;
    }
    if (factory != nullptr || m_state != TC_CREATE_CONNECT_SOCKET) {
        MVLOG(LOG_ERR, "TcpConn::Start in state %ls cannot connect", GetStateName().c_str());
        return;
    }

    MVLOG(LOG_VERB, "in TcpConn::Start for conn to %s:%i", m_host.c_str(), m_port);
    m_sockFD.Reset(createSocket());
    if (!m_sockFD.IsValid()) {
        MVLOG(LOG_CRIT, "socket() failed, not connecting to %s:%i", m_host.c_str(), m_port);
        OnConnectFailed();
        return;
    }
    m_peerAddr = sockaddr_in{};
    m_peerAddr.sin_family = AF_INET;
    m_peerAddr.sin_port = htons(m_port);
    int resolved = platform::ResolveIPv4(m_host.c_str(), &m_peerAddr.sin_addr);
    if (resolved != 0) {
        MVLOG(LOG_INFO, "Could not resolve %s: %s", m_host.c_str(), platform::ResolveErrorText(resolved));
        OnConnectFailed();
        return;
    }
    char dotted[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &m_peerAddr.sin_addr, dotted, sizeof dotted);
    MVLOG(LOG_VERB, "Opening socket to %s", dotted);

    if (m_sslOn && (!m_pCrypt || !m_pCrypt->BeginClient(m_sockFD.Get(), m_host))) {
        MVLOG(LOG_ERR, "Could not set up SSL for %s, err %lu", m_host.c_str(), ERR_get_error());
        OnConnectFailed();
        return;
    }
    if (setNonBlocking(m_sockFD.Get()) != 0) {
        OnConnectFailed();
        return;
    }
    disableKeepAlive(m_sockFD.Get());
    setSocketBufferSizes(m_sockFD.Get(), sockBufSize);

    int result =
        connectSocket(m_sockFD.Get(), reinterpret_cast<const sockaddr*>(&m_peerAddr), sizeof m_peerAddr);
    if (result == 0) {
        ChangeState(TC_CONNECTED);
    } else if (result == SOCKERR_WOULDBLOCK) {
        ChangeState(TC_CONNECTING);
    } else {
        // Refused at once: the error is already taken, so select could not
        // report it later.
        ChangeState(TC_CONNECTING);
        OnConnectFailed();
    }
}

void TcpConn::ChangeState(TcpConnState newState) {
    const std::wstring& oldName = m_states.GetStateName(m_state);
    const std::wstring& newName = m_states.GetStateName(newState);
    if (m_states.IsValidTransition(m_state, newState)) {
        MVLOG(LOG_VERB, "conn %p %s:%i/%i changing from %ls to %ls", static_cast<void*>(this), m_host.c_str(),
              m_port, m_sockFD.Get(), oldName.c_str(), newName.c_str());
    } else {
        // A connection's own logic went wrong; the connection still follows
        // its events rather than the whole program ending.
        MVLOG(LOG_CRIT, "bad state change by %p %s:%i/%i from %ls to %ls", static_cast<void*>(this),
              m_host.c_str(), m_port, m_sockFD.Get(), oldName.c_str(), newName.c_str());
    }
    m_state = newState;
}

void TcpConn::StampReadTime() {
    m_lastReadTime = platform::MonotonicSeconds();
}
void TcpConn::StampWriteTime() {
    m_lastWriteTime = platform::MonotonicSeconds();
}

void TcpConn::Read() {
    StampReadTime();
    inBuf.Compact();
    if (!inBuf.HasSpace())
        return;
    int result = inBuf.ReadFromSocket(m_sockFD.Get());
    MVLOG(LOG_VERB, "%p, read returned %i for conn to %s:%i on sockFD %i in state %ls",
          static_cast<void*>(this), result, m_host.c_str(), m_port, m_sockFD.Get(), GetStateName().c_str());
    if (result > 0) {
        m_readMeter.AddBytes(static_cast<uint32_t>(result));
    } else if (result < 0) {
        int error = getLastSocketError();
        if (IsWouldBlock(error)) {
            MVLOG(LOG_INFO, "Read from %s on sock %i would block, ignoring event", m_host.c_str(),
                  m_sockFD.Get());
            return;
        }
        MVLOG(LOG_INFO, "Read failed with err %i for conn to %s:%i, m_state: %ls", error, m_host.c_str(),
              m_port, GetStateName().c_str());
        Close();
    } else {
        MVLOG(LOG_INFO, "Read 0 from conn to %s:%i, m_state: %ls", m_host.c_str(), m_port,
              GetStateName().c_str());
        // A peer that has only half-closed may still be reading; once this
        // side has shut its sending too, nothing is left to do.
        if (m_keepSendingAfterPeerEnd && m_state != TC_WR_SHUTDOWN) {
            m_peerEnded = true;
            return;
        }
        Close();
    }
}

void TcpConn::Write() {
    StampWriteTime();
    if (m_state == TC_CONNECTING) {
        ChangeState(TC_CONNECTED);
        return;
    }
    if (m_state == PENDING_WR_SHUTDOWN && !outBuf.HasData()) {
        ShutdownWrite();
        return;
    }
    int sent = outBuf.WriteToSocket(m_sockFD.Get());
    MVLOG(LOG_VERB, "Wrote %i bytes to fd %i (%s:%i)", sent, m_sockFD.Get(), m_host.c_str(), m_port);
    if (sent >= 0) {
        m_writeMeter.AddBytes(static_cast<uint32_t>(sent));
    } else {
        MVLOG(LOG_ERR, "Got write error, closing fd");
        Close();
    }
}

void TcpConn::ShutdownWhenSent() {
    ChangeState(PENDING_WR_SHUTDOWN);
}

void TcpConn::ShutdownWrite() {
    shutdownSocketWrite(m_sockFD.Get());
    ChangeState(TC_WR_SHUTDOWN);
    if (m_peerEnded)
        Close();
}

void TcpConn::OnConnectFailed() {
    MVLOG(LOG_INFO, "Connect to %s:%d failed", m_host.c_str(), m_port);
    if (m_pCrypt)
        m_pCrypt->EndConnection();
    CloseSocket();
    ChangeState(TC_FAILED);
}

void TcpConn::CloseSocket() {
    m_sockFD.Reset();
}

void TcpConn::Close() {
    if (m_state == TC_LISTENING)
        LeaveListenPort();
    if (m_sslOn && m_pCrypt) {
        m_pCrypt->EndConnection();
        m_readWantsWrite = m_writeWantsRead = m_readWantsRead = false;
    }
    CloseSocket();
    if (m_state != TC_CLOSED)
        ChangeState(TC_CLOSED);
}

bool TcpConn::IsReadIdleFor(int64_t seconds) const {
    return m_lastReadTime + seconds < platform::MonotonicSeconds();
}

bool TcpConn::IsIdleFor(int64_t seconds) const {
    const int64_t now = platform::MonotonicSeconds();
    return m_lastReadTime + seconds < now && m_lastWriteTime + seconds < now;
}

const std::wstring& TcpConn::GetStateName() const {
    return m_states.GetStateName(m_state);
}

void TcpConn::LogCipher() {
    if (!m_sslOn || !m_pCrypt) {
        MVLOG(LOG_INFO, "Conn is not encrypted");
        return;
    }
    std::string description = m_pCrypt->CipherDescription().substr(0, kMaxSslErrorText);
    MVLOG(LOG_INFO, "Encryption desc: %s", description.c_str());
}

bool TcpConn::HasPendingInput() const {
    return m_sslOn && m_pCrypt && m_sockFD.IsValid() && m_pCrypt->HasPending() && inBuf.HasSpace();
}

void TcpConn::AddToFdSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet,
                          SocketSet& exceptSet) {
    const int fd = m_sockFD.Get();
    if (fd == -1)
        return;
    if (m_state == TC_NOT_CONNECTED || m_state == TC_FAILED || m_state == TC_CLOSED) {
        MVLOG(LOG_ERR, "conn %p has socket %i in state %ls", static_cast<void*>(this), fd,
              GetStateName().c_str());
        return;
    }
    bool entered = false;
    if (m_state == TC_CONNECTING) {
        // Both sets take the socket: a refused connect shows in the exception set only.
        const bool inWriteSet = writeSet.Add(fd);
        const bool inExceptSet = exceptSet.Add(fd);
        entered = inWriteSet || inExceptSet;
    } else {
        // Compacted first, so a consumed prefix never stops reading.
        inBuf.Compact();
        bool wantRead =
            m_state != TC_LISTENING && !m_peerEnded && (inBuf.HasSpace() || (m_sslOn && m_writeWantsRead));
        bool wantWrite;
        if (m_sslOn)
            wantWrite = !m_writeWantsRead && (outBuf.HasData() || m_readWantsWrite);
        else
            wantWrite = outBuf.HasData() || m_state == PENDING_WR_SHUTDOWN;
        if (wantRead && readSet.Add(fd))
            entered = true;
        if (wantWrite && writeSet.Add(fd))
            entered = true;
    }
    if (entered) {
        any = true;
        if (fd > maxFd)
            maxFd = fd;
    }
}

void TcpConn::HandleSelect(const SocketSet& readSet, const SocketSet& writeSet, const SocketSet& exceptSet) {
    const int fd = m_sockFD.Get();
    if (fd == -1)
        return;
    const bool readable = readSet.Contains(fd);
    const bool writable = writeSet.Contains(fd);
    const bool failed = exceptSet.Contains(fd);
    if (readable || failed)
        StampReadTime();
    if (writable)
        StampWriteTime();

    if (!m_sslOn || m_state == TC_CONNECTING) {
        if (failed && m_sockFD.IsValid())
            OnConnectFailed();
        if (readable && m_sockFD.IsValid())
            Read();
        if (writable && m_sockFD.IsValid())
            Write();
        return;
    }
    HandleSslSelect(readable, writable);
}

void TcpConn::HandleSslSelect(bool readable, bool writable) {
    const bool pending = m_pCrypt->HasPending();
    if ((readable && !m_writeWantsRead) || (m_readWantsWrite && writable) || pending) {
        do {
            m_readWantsWrite = m_readWantsRead = false;
            inBuf.Compact();
            const int room = inBuf.GetNumFreeBytes();
            // A full buffer stops reading; the bytes wait inside OpenSSL.
            if (room <= 0)
                break;
            int sslError = 0;
            int result = m_pCrypt->Read(inBuf.GetWritePtr(), room, &sslError);
            MVLOG(LOG_VERB, "SSL_read returned %i", result);
            if (sslError == SSL_ERROR_NONE) {
                inBuf.CommitWrite(result);
                inBuf.Compact();
                m_readMeter.AddBytes(static_cast<uint32_t>(result));
            } else if (sslError == SSL_ERROR_WANT_READ) {
                m_readWantsRead = true;
            } else if (sslError == SSL_ERROR_WANT_WRITE) {
                m_readWantsWrite = true;
            } else {
                MVLOG(LOG_ERR, "SSL_read err: %i, errno %i, WSAGLE %i, num %i, EGE: %lu\n", sslError, errno,
                      getLastSocketError(), result, ERR_get_error());
                Close();
            }
        } while (m_sockFD.IsValid() && !m_readWantsRead && !m_readWantsWrite);
    }
    if (!m_sockFD.IsValid())
        return;
    if ((writable && outBuf.HasData()) || (m_writeWantsRead && readable)) {
        m_writeWantsRead = false;
        int sslError = 0;
        int result = m_pCrypt->Write(outBuf.GetReadPtr(), outBuf.GetNumUsedBytes(), &sslError);
        MVLOG(LOG_VERB, "SSL_write returned %i", result);
        if (sslError == SSL_ERROR_NONE) {
            outBuf.Consume(result);
            outBuf.Compact();
            m_writeMeter.AddBytes(static_cast<uint32_t>(result));
        } else if (sslError == SSL_ERROR_WANT_READ) {
            m_writeWantsRead = true;
        } else if (sslError != SSL_ERROR_WANT_WRITE) {
            MVLOG(LOG_ERR, "Got SSL err after write: %i, num: %i, ege: %lu\n", sslError, result,
                  ERR_get_error());
            Close();
        }
    }
}

bool TcpConn::TakeSocket(TcpConn& pending) {
    inBuf.Compact();
    if (m_sockFD.IsValid() || !pending.m_sockFD.IsValid() || inBuf.HasData() || pending.outBuf.HasData() ||
        inBuf.GetNumFreeBytes() < pending.inBuf.GetNumUsedBytes()) {
        MVLOG(LOG_ERR, "Cannot hand fd %i over to conn %p for %ls", pending.m_sockFD.Get(),
              static_cast<void*>(this), m_connID.c_str());
        return false;
    }
    MVLOG(LOG_INFO, "copying fd %i, %i bytes into app conn for %ls", pending.m_sockFD.Get(),
          pending.inBuf.GetNumUsedBytes(), m_connID.c_str());
    inBuf.WriteBytes(pending.inBuf.GetReadPtr(), pending.inBuf.GetNumUsedBytes());
    pending.inBuf.Consume(pending.inBuf.GetNumUsedBytes());
    m_sockFD = std::move(pending.m_sockFD);
    m_host = pending.m_host;
    m_peerAddr = pending.m_peerAddr;
    m_peerEnded = false;
    m_lastReadTime = m_lastWriteTime = platform::MonotonicSeconds();
    return true;
}
