#include "client/stream/HttpConn.h"

namespace {
constexpr int kHttpBufBytes = 65536;
}

HttpConn::HttpConn(const std::string& salt, uint16_t port, const std::string& userName, FileScanner* scanner,
                   IServerLink* serverLink, bool localOnly)
    : m_salt(salt), m_port(port), m_userName(userName), m_scanner(scanner), m_serverLink(serverLink),
      m_localOnly(localOnly) {
    m_conn.SetBufSizes(kHttpBufBytes, kHttpBufBytes);
}
