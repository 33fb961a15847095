// The song server: listens on the first free port of a short list on
// 127.0.0.1 and owns every HttpConn that serves a player, those it accepts
// and the outgoing ones the server link hands it for remote players. The
// core thread starts it once and then, each pass of its loop, lets it
// service its connections, enter their sockets in the select sets and run
// their socket I/O. Remote connections are served whether or not a local
// port could be had.
//
// Nothing here needs the core: a scanner and a server link (stand-ins do)
// are all a benchmark or a test needs to run it.
#pragma once

#include "client/stream/HttpConn.h"
#include "include/net/SocketSet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class FileScanner;
class IServerLink;

class FileStreamer {
  public:
    // Connections served at once; closed ones, still waiting for the next
    // pass to delete them, take no place.
    static constexpr size_t kMaxConns = 64;
    // Places only remote players (AddConn) may take, so that local
    // connections cannot shut out the streams the server pairs. When the
    // local places are full, a new request takes the place of the local
    // connection that has waited on its player longest, among those that
    // may give way (HttpConn::MayGiveWay); with none, it is refused.
    static constexpr size_t kRemoteOnlyConns = 4;

    // The ports tried in order: 51569, 52569, 53569. (Tests give 0 for any
    // free port.)
    static std::vector<uint16_t> DefaultPorts();

    FileStreamer();
    explicit FileStreamer(std::vector<uint16_t> ports);
    // Deletes every connection, finished or not, then the listener.
    virtual ~FileStreamer();
    FileStreamer(const FileStreamer&) = delete;
    FileStreamer& operator=(const FileStreamer&) = delete;

    // Listens on the first port that can be had and tells the server link
    // the port; when none can, logs it and sends one report. Only the first
    // call does anything.
    virtual void Start(FileScanner& scanner, IServerLink& serverLink, const std::string& salt);
    virtual bool IsStarted() const { return m_started; }
    virtual bool IsListening() const { return m_listener != nullptr; }
    uint16_t GetPort() const { return m_port; }
    size_t GetNumConns() const { return m_conns.size(); }
    // The connections that hold a place: those not yet closed.
    size_t GetNumLiveConns() const;

    // Takes ownership of a connection (closed when the streamer is full).
    virtual void AddConn(std::unique_ptr<HttpConn> conn);
    // One pass of every connection; finished ones are deleted.
    virtual void ServiceConns();
    // Whether a connection has work for the next pass that no socket event
    // announces, so that the loop should not wait for one.
    bool HasWorkWithoutWaiting() const;
    virtual void FillSelectSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet,
                                SocketSet& exceptSet);
    virtual void ProcessSelectResults(const SocketSet& readSet, const SocketSet& writeSet,
                                      const SocketSet& exceptSet);

    // The listening port's HTTP factory: a new local connection for a
    // player, or null when only the remote players' places are left.
    static TcpConn* OnAccept(void* streamer, uint16_t port);

  private:
    TcpConn* Accept(uint16_t port);
    // Closes the live local connection that may give way and has waited
    // longest; false when there is none.
    bool MakeRoomForLocal();
    void CheckListener();

    std::vector<std::unique_ptr<HttpConn>> m_conns;
    FileScanner* m_scanner = nullptr;
    IServerLink* m_serverLink = nullptr;
    std::string m_salt;
    std::unique_ptr<TcpConn> m_listener;
    bool m_started = false;
    uint16_t m_port = 0;
    std::vector<uint16_t> m_ports;
    bool m_listenerLossReported = false;
};
