#include "client/stream/FileStreamer.h"

#include "include/log/Logger.h"

void FileStreamer::Start(FileScanner& scanner, IServerLink& serverLink, const std::string& salt) {
    (void)scanner;
    (void)serverLink;
    (void)salt;
    m_started = true;
    MVLOG(LOG_INFO, "Local streaming is not part of this build; no listener started");
}

void FileStreamer::AddConn(std::unique_ptr<HttpConn> conn) {
    if (!conn)
        return;
    MVLOG(LOG_INFO, "Closing stream connection to %s:%i: streaming is not part of this build",
          conn->GetConn().GetHost().c_str(), conn->GetConn().GetPort());
    conn->GetConn().Close();
}

void FileStreamer::FillSelectSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet,
                                  SocketSet& exceptSet) {
    (void)maxFd;
    (void)any;
    (void)readSet;
    (void)writeSet;
    (void)exceptSet;
}

void FileStreamer::ProcessSelectResults(const SocketSet& readSet, const SocketSet& writeSet,
                                        const SocketSet& exceptSet) {
    (void)readSet;
    (void)writeSet;
    (void)exceptSet;
}
