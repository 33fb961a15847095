// The shared listening ports: one record per port, in one table owned by the
// core thread.
#pragma once

#include "client/net/TcpConn.h"
#include "platform/fs/UniqueFd.h"

#include <netinet/in.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// An accepted connection that has not yet said what it is.
struct PendingConn {
    std::unique_ptr<TcpConn> conn;
    int64_t acceptedAt = 0; // monotonic seconds
};

struct ListenPort {
    // New connections that have not said what they are; over this many, the
    // oldest that has had a pass to say it is closed, else the newcomers
    // wait in the backlog.
    static constexpr size_t kMaxPending = 32;
    // Seconds a new connection has to say what it is, counted from its
    // accept: a peer that trickles bytes must not hold a place for good.
    static constexpr int64_t kIdentifyTimeoutSecs = 60;
    static constexpr int kBacklog = 10;

    uint16_t port = 0;
    platform::UniqueFd listenFd;
    sockaddr_in address{};
    // Connections waiting for a peer that announces their id; not owned.
    std::vector<TcpConn*> appConns;
    std::vector<PendingConn> pending;
    HttpConnFactory httpFactory = nullptr;
    void* factoryContext = nullptr;
    // The listening connection that set the factory; the factory goes when
    // it leaves, since its context may go with it.
    const TcpConn* httpListener = nullptr;

    bool IsUnused() const { return appConns.empty() && httpFactory == nullptr; }
};

class ListenPortTable {
  public:
    static ListenPortTable& Get();

    ListenPort* Find(uint16_t port);
    void Add(std::unique_ptr<ListenPort> record);
    // Closes the port's listen socket and drops its pending connections.
    void Remove(uint16_t port);
    std::vector<uint16_t> Ports() const;

    // Accepts what waits on the port's listen socket.
    static void AcceptNew(ListenPort& port);
    // Hands a pending connection to its owner when it has said what it is;
    // true when the pending record is done with.
    static bool Identify(ListenPort& port, TcpConn& pending);
    // True once a pending connection has had its time to say what it is.
    static bool HasTimedOut(const PendingConn& pending);

  private:
    std::map<uint16_t, std::unique_ptr<ListenPort>> m_ports;
};
