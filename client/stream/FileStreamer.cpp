#include "client/stream/FileStreamer.h"

#include "client/net/ListenPort.h"
#include "client/server/IServerLink.h"
#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "platform/time/Clock.h"

#include <algorithm>

namespace {

constexpr char kLoopbackHost[] = "127.0.0.1";

} // namespace

std::vector<uint16_t> FileStreamer::DefaultPorts() {
    return {51569, 52569, 53569};
}

FileStreamer::FileStreamer() : FileStreamer(DefaultPorts()) {}

FileStreamer::FileStreamer(std::vector<uint16_t> ports) : m_ports(std::move(ports)) {}

FileStreamer::~FileStreamer() {
    m_conns.clear();
    m_listener.reset();
}

void FileStreamer::Start(FileScanner& scanner, IServerLink& serverLink, const std::string& salt) {
    if (m_started)
        return;
    m_started = true;
    m_scanner = &scanner;
    m_serverLink = &serverLink;
    m_salt = salt;
    for (uint16_t port : m_ports) {
        auto listener = std::make_unique<TcpConn>();
        MVLOG(LOG_INFO, "Attempting to listen on local port %d", port);
        if (listener->ListenHttp(port, &FileStreamer::OnAccept, this)) {
            m_port = listener->GetPort();
            MVLOG(LOG_INFO, "Listening on local port %d", m_port);
            m_listener = std::move(listener);
            serverLink.SendLocalPort(m_port);
            return;
        }
        MVLOG(LOG_INFO, "Unable to listen on port %d", port);
    }
    MVLOG(LOG_ERR, "Failed all attempts to listen on localhost");
    SendReport(L"Listen err", REPORT_INFO);
}

size_t FileStreamer::GetNumLiveConns() const {
    return static_cast<size_t>(std::count_if(m_conns.begin(), m_conns.end(), [](const auto& conn) {
        return conn->GetConn().GetState() != TC_CLOSED;
    }));
}

bool FileStreamer::HasWorkWithoutWaiting() const {
    return std::any_of(m_conns.begin(), m_conns.end(),
                       [](const auto& conn) { return !conn->IsDone() && conn->HasWorkWithoutWaiting(); });
}

void FileStreamer::AddConn(std::unique_ptr<HttpConn> conn) {
    if (!conn)
        return;
    const size_t live = GetNumLiveConns();
    if (live >= kMaxConns) {
        MVLOG(LOG_ERR, "Already serving %zu players; closing the stream to %s:%i", live,
              conn->GetConn().GetHost().c_str(), conn->GetConn().GetPort());
        conn->GetConn().Close();
        return;
    }
    m_conns.push_back(std::move(conn));
}

TcpConn* FileStreamer::OnAccept(void* streamer, uint16_t port) {
    if (!streamer) {
        MVLOG(LOG_CRIT, "HTTP request on port %d without a streamer", port);
        return nullptr;
    }
    return static_cast<FileStreamer*>(streamer)->Accept(port);
}

TcpConn* FileStreamer::Accept(uint16_t port) {
    const size_t live = GetNumLiveConns();
    if (live >= kMaxConns - kRemoteOnlyConns && !MakeRoomForLocal()) {
        MVLOG(LOG_ERR, "Already serving %zu players; refusing another on port %d", live, port);
        return nullptr;
    }
    const std::string userName = m_serverLink ? m_serverLink->GetUserName() : std::string();
    auto conn = std::make_unique<HttpConn>(m_salt, port, userName, m_scanner, m_serverLink, true);
    conn->GetConn().PrepareForHandOver(kLoopbackHost, port);
    m_conns.push_back(std::move(conn));
    return &m_conns.back()->GetConn();
}

bool FileStreamer::MakeRoomForLocal() {
    const uint64_t now = platform::MonotonicMs();
    HttpConn* longest = nullptr;
    for (auto& conn : m_conns) {
        if (conn->IsLocalOnly() && conn->GetConn().GetState() != TC_CLOSED && conn->MayGiveWay(now) &&
            (!longest || conn->GetWaitingSinceMs() < longest->GetWaitingSinceMs()))
            longest = conn.get();
    }
    if (!longest)
        return false;
    longest->GiveWay();
    return true;
}

void FileStreamer::ServiceConns() {
    for (auto& conn : m_conns) {
        if (!conn->IsDone())
            conn->HandleHttpRequest();
    }
    std::erase_if(m_conns, [](const std::unique_ptr<HttpConn>& conn) { return conn->IsDone(); });
    CheckListener();
}

void FileStreamer::CheckListener() {
    if (!m_listener || m_listenerLossReported)
        return;
    const TcpConnState state = m_listener->GetState();
    const ListenPort* port = ListenPortTable::Get().Find(m_port);
    const bool open = port && port->httpListener == m_listener.get();
    if (open && state != TC_CLOSED && state != TC_FAILED)
        return;
    // Players of this machine cannot reach the songs any more; remote
    // players still can, so the program goes on.
    MVLOG(LOG_CRIT, "Localhost streaming port listener is closed");
    SendReport(L"Localhost streaming port listener is closed", REPORT_INFO);
    m_listenerLossReported = true;
}

void FileStreamer::FillSelectSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet,
                                  SocketSet& exceptSet) {
    if (m_listener)
        m_listener->AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
    for (auto& conn : m_conns)
        conn->GetConn().AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
}

void FileStreamer::ProcessSelectResults(const SocketSet& readSet, const SocketSet& writeSet,
                                        const SocketSet& exceptSet) {
    if (m_listener)
        m_listener->HandleSelect(readSet, writeSet, exceptSet);
    for (auto& conn : m_conns)
        conn->GetConn().HandleSelect(readSet, writeSet, exceptSet);
}
