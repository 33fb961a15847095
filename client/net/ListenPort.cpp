#include "client/net/ListenPort.h"

#include "client/net/ConnPreamble.h"
#include "include/log/Logger.h"
#include "include/net/Sockets.h"
#include "platform/net/LocalAddress.h"
#include "platform/net/Resolver.h"
#include "platform/time/Clock.h"

#include <arpa/inet.h>

#include <algorithm>

ListenPortTable& ListenPortTable::Get() {
    static ListenPortTable table;
    return table;
}

ListenPort* ListenPortTable::Find(uint16_t port) {
    auto it = m_ports.find(port);
    return it == m_ports.end() ? nullptr : it->second.get();
}

void ListenPortTable::Add(std::unique_ptr<ListenPort> record) {
    uint16_t port = record->port;
    m_ports[port] = std::move(record);
}

void ListenPortTable::Remove(uint16_t port) {
    m_ports.erase(port);
}

std::vector<uint16_t> ListenPortTable::Ports() const {
    std::vector<uint16_t> ports;
    for (const auto& entry : m_ports)
        ports.push_back(entry.first);
    return ports;
}

void ListenPortTable::AcceptNew(ListenPort& port) {
    // Connections carried over from earlier passes have had a pass to say
    // what they are; only they make room. What this pass has just accepted
    // is never closed for the next one: the rest wait in the backlog.
    size_t carriedOver = port.pending.size();
    for (;;) {
        const bool full = port.pending.size() >= ListenPort::kMaxPending;
        if (full && carriedOver == 0)
            return;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        platform::UniqueFd fd(acceptSocket(port.listenFd.Get(), reinterpret_cast<sockaddr*>(&peer), &length));
        if (!fd.IsValid())
            return;
        if (setNonBlocking(fd.Get()) != 0)
            continue;
        if (full) {
            // The connection that has waited longest without saying what it
            // is makes room, so silent peers cannot keep everyone out.
            TcpConn& oldest = *port.pending.front().conn;
            MVLOG(LOG_ERR, "Port %i already has %zu unidentified conns; closing the oldest, from %s",
                  port.port, port.pending.size(), oldest.m_host.c_str());
            oldest.Close();
            port.pending.erase(port.pending.begin());
            --carriedOver;
        }
        auto conn = std::make_unique<TcpConn>();
        conn->m_sockFD = std::move(fd);
        conn->m_peerAddr = peer;
        conn->m_host = platform::NumericHost(reinterpret_cast<const sockaddr*>(&peer), length);
        conn->m_port = port.port;
        conn->StampReadTime();
        conn->StampWriteTime();
        conn->m_state = TC_CONNECTED;
        MVLOG(LOG_INFO, "got connection from %s, %i conns listening on this port", conn->m_host.c_str(),
              static_cast<int>(port.appConns.size()));
        port.pending.push_back({std::move(conn), platform::MonotonicSeconds()});
    }
}

bool ListenPortTable::Identify(ListenPort& port, TcpConn& pending) {
    std::wstring id;
    switch (SniffHttp(pending.inBuf, id)) {
    case SNIFF_BAD:
        return true;
    case SNIFF_NOT_YET:
        pending.inBuf.Compact();
        return !pending.inBuf.HasSpace();
    case SNIFF_IDENTIFIED:
        break;
    }

    if (id == kHttpConnId) {
        if (!port.httpFactory) {
            // Nothing on this port can ever serve it, so it gives its place
            // up at once.
            MVLOG(LOG_INFO, "Received an Http request on %d; not honored so discarding", port.port);
            return true;
        }
        TcpConn* conn = port.httpFactory(port.factoryContext, port.port);
        if (!conn) {
            MVLOG(LOG_ERR, "HTTP connection factory refused a request on port %i", port.port);
            return true;
        }
        if (conn->TakeSocket(pending))
            conn->ChangeState(TC_CONNECTED);
        else
            conn->Close();
        return true;
    }

    auto match = std::find_if(port.appConns.begin(), port.appConns.end(),
                              [&id](const TcpConn* conn) { return conn->m_connID == id; });
    if (match == port.appConns.end()) {
        MVLOG(LOG_INFO, "No conn listens for %ls on port %i; closing", id.c_str(), port.port);
        return true;
    }
    TcpConn* conn = *match;
    if (!conn->TakeSocket(pending))
        return true;
    port.appConns.erase(match);
    conn->ChangeState(TC_CONNECTED);
    return true;
}

bool ListenPortTable::HasTimedOut(const PendingConn& pending) {
    if (pending.acceptedAt + ListenPort::kIdentifyTimeoutSecs >= platform::MonotonicSeconds())
        return false;
    MVLOG(LOG_INFO, "Conn from %s did not identify itself within %lld s; closing",
          pending.conn->m_host.c_str(), static_cast<long long>(ListenPort::kIdentifyTimeoutSecs));
    return true;
}

bool TcpConn::Listen(HttpConnFactory factory, void* context, int sockBufSize) {
    ListenPortTable& table = ListenPortTable::Get();
    ListenPort* existing = m_port != 0 ? table.Find(m_port) : nullptr;
    if (existing) {
        if (factory) {
            existing->httpFactory = factory;
            existing->factoryContext = context;
            existing->httpListener = this;
        } else {
            existing->appConns.push_back(this);
        }
        return true;
    }

    auto record = std::make_unique<ListenPort>();
    record->port = m_port;
    record->listenFd.Reset(createSocket());
    const int fd = record->listenFd.Get();
    if (fd == -1) {
        MVLOG(LOG_ERR, "Socket() failed in TcpConn.Listen");
        return false;
    }
    record->address.sin_family = AF_INET;
    record->address.sin_port = htons(m_port);
    record->address.sin_addr.s_addr = htonl(m_host.rfind("localhost", 0) == 0 ? INADDR_LOOPBACK : INADDR_ANY);
    setNonBlocking(fd);
    disableKeepAlive(fd);
    setSocketBufferSizes(fd, sockBufSize);
    setReuseAddress(fd);
    if (bindSocket(fd, reinterpret_cast<const sockaddr*>(&record->address), sizeof record->address) != 0 ||
        listenSocket(fd, ListenPort::kBacklog) != 0) {
        MVLOG(LOG_CRIT, "bindAndListen on port %i failed", m_port);
        return false;
    }
    if (m_port == 0) {
        const int error = platform::LocalIPv4Port(fd, &m_port);
        if (error != 0 || m_port == 0) {
            MVLOG(LOG_CRIT, "No port known for listen fd %i (%i)", fd, error);
            return false;
        }
        record->port = m_port;
    }
    if (factory) {
        record->httpFactory = factory;
        record->factoryContext = context;
        record->httpListener = this;
    } else {
        record->appConns.push_back(this);
    }
    table.Add(std::move(record));
    return true;
}

void TcpConn::LeaveListenPort() {
    ListenPortTable& table = ListenPortTable::Get();
    ListenPort* port = table.Find(m_port);
    if (!port)
        return;
    auto it = std::find(port->appConns.begin(), port->appConns.end(), this);
    if (it != port->appConns.end())
        port->appConns.erase(it);
    if (port->httpListener == this) {
        port->httpFactory = nullptr;
        port->factoryContext = nullptr;
        port->httpListener = nullptr;
    }
    if (port->IsUnused()) {
        MVLOG(LOG_INFO, "no more pending conns on port %i, closing listen fd %i", port->port,
              port->listenFd.Get());
        table.Remove(m_port);
    }
}

void TcpConn::FillListenFdSets(SocketSet& readSet, int& maxFd) {
    ListenPortTable& table = ListenPortTable::Get();
    for (uint16_t number : table.Ports()) {
        ListenPort* port = table.Find(number);
        const int listenFd = port->listenFd.Get();
        if (listenFd != -1 && readSet.Add(listenFd) && listenFd > maxFd)
            maxFd = listenFd;
        for (const PendingConn& pending : port->pending) {
            TcpConn& conn = *pending.conn;
            const int fd = conn.m_sockFD.Get();
            conn.inBuf.Compact();
            if (fd != -1 && conn.inBuf.HasSpace() && readSet.Add(fd) && fd > maxFd)
                maxFd = fd;
        }
    }
}

void TcpConn::Accept(const SocketSet& readSet) {
    ListenPortTable& table = ListenPortTable::Get();
    for (uint16_t number : table.Ports()) {
        ListenPort* port = table.Find(number);
        if (!port)
            continue;
        // Waiting connections go first: those whose bytes have come are
        // handed on before new ones are let in, so a full queue makes room
        // only by closing one that has had its pass and said nothing whole.
        auto& pending = port->pending;
        for (size_t i = 0; i < pending.size();) {
            TcpConn& conn = *pending[i].conn;
            if (conn.m_sockFD.IsValid() && readSet.Contains(conn.m_sockFD.Get()))
                conn.Read();
            // Whatever it has sent, a connection still pending after this
            // pass is held to its deadline.
            const bool done = !conn.m_sockFD.IsValid() || ListenPortTable::Identify(*port, conn) ||
                              ListenPortTable::HasTimedOut(pending[i]);
            if (done) {
                conn.Close();
                pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
        if (readSet.Contains(port->listenFd.Get())) {
            MVLOG(LOG_INFO, "Detected new connection on port %i, listen fd %i", port->port,
                  port->listenFd.Get());
            ListenPortTable::AcceptNew(*port);
        }
        if (port->IsUnused()) {
            MVLOG(LOG_INFO, "no more pending conns on port %i, closing listen fd %i", port->port,
                  port->listenFd.Get());
            table.Remove(number);
        }
    }
}

void TcpConn::CloseAllListenPorts() {
    ListenPortTable& table = ListenPortTable::Get();
    for (uint16_t number : table.Ports()) {
        ListenPort* port = table.Find(number);
        MVLOG(LOG_INFO, "Closing port %i, closing listen fd %i", port->port, port->listenFd.Get());
        table.Remove(number);
    }
}
