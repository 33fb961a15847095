// The local HTTP listener that serves songs to players, and the set of HTTP
// connections it drives from the core loop. This build streams nothing yet:
// Start only marks the streamer as started (no port is opened, so the server
// is never told a local port), and connections handed to it are closed. The
// listener and song streaming arrive with streaming itself.
#pragma once

#include "client/stream/HttpConn.h"
#include "include/net/SocketSet.h"

#include <memory>
#include <string>

class FileScanner;
class IServerLink;

class FileStreamer {
  public:
    FileStreamer() = default;
    virtual ~FileStreamer() = default;
    FileStreamer(const FileStreamer&) = delete;
    FileStreamer& operator=(const FileStreamer&) = delete;

    virtual void Start(FileScanner& scanner, IServerLink& serverLink, const std::string& salt);
    virtual bool IsStarted() const { return m_started; }
    virtual bool IsListening() const { return false; }
    // Takes ownership of a connection.
    virtual void AddConn(std::unique_ptr<HttpConn> conn);
    virtual void ServiceConns() {}
    virtual void FillSelectSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet,
                                SocketSet& exceptSet);
    virtual void ProcessSelectResults(const SocketSet& readSet, const SocketSet& writeSet,
                                      const SocketSet& exceptSet);

  protected:
    bool m_started = false;
};
