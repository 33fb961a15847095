// One HTTP connection of the local streaming server: a player's request for a
// song, or an outgoing connection the server asked for. Serving requests
// arrives with song streaming; this build only holds the connection.
#pragma once

#include "client/net/TcpConn.h"

#include <cstdint>
#include <string>

class FileScanner;
class IServerLink;

class HttpConn {
  public:
    HttpConn(const std::string& salt, uint16_t port, const std::string& userName, FileScanner* scanner,
             IServerLink* serverLink, bool localOnly);
    HttpConn(const HttpConn&) = delete;
    HttpConn& operator=(const HttpConn&) = delete;

    TcpConn& GetConn() { return m_conn; }
    bool IsDone() const { return m_done; }

  private:
    TcpConn m_conn;
    std::string m_salt;
    uint16_t m_port;
    std::string m_userName;
    FileScanner* m_scanner;
    IServerLink* m_serverLink;
    bool m_localOnly;
    bool m_done = false;
};
