// One HTTP/1.0 connection of the song server: a player's connection accepted
// on the local port (local only: its Host header must name 127.0.0.1 and the
// listening port), or an outgoing connection to a remote player that the
// server asked for. It reads one request head, checks the session salt, and
// answers with a song body, a cover image, a small script, the cross-domain
// policy or an error line. The streamer calls HandleHttpRequest once a pass
// on the core thread until IsDone, then deletes it.
#pragma once

#include "client/net/TcpConn.h"
#include "client/stream/AudioRegion.h"
#include "platform/fs/UniqueFd.h"

#include <cstdint>
#include <memory>
#include <string>

class Encoder;
class FileScanner;
class IServerLink;
struct HttpRequest;

enum HttpConnState {
    HC_READING = 0,      // waiting for the request head
    HC_SENDING = 1,      // body being queued
    HC_SENT = 2,         // whole answer queued; closes once sent
    HC_ERROR_QUEUED = 3, // error response queued (or none); ends next pass
    HC_CLOSING = 4,      // ending after an error: closed once it is sent
};

// The outcome the owner reads once the connection is done; the first one
// set stays.
enum HttpConnResult {
    HCR_NONE = -1,
    HCR_COMPLETE = 0,       // the whole answer was queued
    HCR_REFUSED = 1,        // bad request, not found, head refused or late
    HCR_SERVER_FAILURE = 2, // lookup, size, open, read or transcoder failure
    HCR_PEER_CLOSED = 4,    // the peer closed or stopped reading during the body
    HCR_CONN_FAILED = 5,    // the connection failed
};

class HttpConn {
  public:
    static constexpr int kBufBytes = 65536;
    // The whole request head must arrive this long after the connection
    // began, however slowly it trickles in.
    static constexpr uint64_t kHeadTimeoutMs = 90000;
    // An answer without progress this long is closed: a player that stopped
    // reading its body, or one that never closes after it.
    static constexpr uint64_t kIdleTimeoutMs = 90000;
    // When the local places are full, a connection may give way to a new
    // request only once it is plainly not a player at work. A player sends
    // its whole head as it connects, so one still unfinished this long after
    // the connection began is not one, however its bytes trickle; a couple
    // of seconds covers a loaded machine.
    static constexpr uint64_t kHeadGraceMs = 2000;
    // A playing player takes bytes of its answer as its buffers drain; one
    // that has taken none this long has stopped reading. Long against the
    // pauses of a busy loop, short against kIdleTimeoutMs.
    static constexpr uint64_t kGiveWayIdleMs = 5000;
    // Body bytes that may be queued ahead of the paced position.
    static constexpr int64_t kLeadBytes = 614400;
    // Pacing rates in bits per second: local players are in effect unpaced.
    static constexpr int64_t kLocalRateBits = 1073741824;
    static constexpr int64_t kRemoteRateBits = 389120;

    HttpConn(const std::string& salt, uint16_t port, const std::string& userName, FileScanner* scanner,
             IServerLink* serverLink, bool localOnly);
    ~HttpConn();
    HttpConn(const HttpConn&) = delete;
    HttpConn& operator=(const HttpConn&) = delete;

    TcpConn& GetConn() { return m_conn; }
    bool IsDone() const { return m_done; }
    int GetState() const { return m_state; }
    int GetResult() const { return m_result; }
    bool IsLocalOnly() const { return m_localOnly; }
    // Since when the connection has waited on its player (monotonic ms): its
    // start while the head is unfinished (bytes of a head are no progress),
    // its last progress after that.
    uint64_t GetWaitingSinceMs() const { return m_state == HC_READING ? m_openedMs : m_lastProgressMs; }
    // True when it may give way to a new request: its head unfinished after
    // kHeadGraceMs, or no progress for kGiveWayIdleMs. Notes progress first.
    [[nodiscard]] bool MayGiveWay(uint64_t now);

    // One pass of work.
    void HandleHttpRequest();
    // Whether the next pass has work that no socket event announces: a
    // transcoder skipping packets, whose passes give the player nothing yet.
    bool HasWorkWithoutWaiting() const;
    // Closes the connection at once to free its place for a new request.
    void GiveWay();

  private:
    void SetState(int state);
    void SetResult(int result);
    // Ends the connection at once (nothing more is sent) with `result`.
    void Abort(int result);
    // Moves the progress mark when bytes have come in or gone out.
    void NoteProgress(uint64_t now);
    // True once the head is late, or the answer has gone kIdleTimeoutMs
    // without progress.
    bool IsStalled();

    // ---- the request (HttpConn.cpp) ----
    void ReadRequest();
    // False when the request is to get the 400 answer.
    bool AnswerRequest(const HttpRequest& request);
    bool CheckSalt(const HttpRequest& request) const;
    bool SendSmallResource(const char* contentType, const std::string& body);
    void SendErrorResponse(int code);
    // SendErrorResponse and the result; false for the handler to return.
    bool FailRequest(int code, int result);
    [[nodiscard]] bool WriteOkHeaders(const std::string& contentType, int64_t length, bool sourceLength);

    // ---- the song and its cover image (HttpConnSong.cpp) ----
    bool SendSongResponse(const std::string& name, const HttpRequest& request);
    bool SendDirect(const std::wstring& path, uint32_t encType, const std::string& name,
                    const HttpRequest& request);
    // Transcodes the song's file, open as `fd` (`path` names it).
    bool SendTranscoded(int fd, const std::wstring& path, uint32_t encType, const HttpRequest& request);
    bool SendArt(const HttpRequest& request, uint32_t fileId);
    // Where the audio of the song's file open as `fd` (`path` names it) lies:
    // behind any ID3v2 tag, before any ID3v1 tag; empty (at 0) when it cannot
    // be read.
    static AudioRegion FindAudioRegion(int fd, const std::wstring& path);
    void StartBody();
    void PumpBody();
    int64_t GetRateBits() const { return m_localOnly ? kLocalRateBits : kRemoteRateBits; }
    // The file position up to which the pacing lets the body go now.
    int64_t AllowedSendEnd() const;

    TcpConn m_conn;
    std::string m_salt;
    uint16_t m_port;
    int m_state = HC_READING;
    bool m_done = false;
    std::string m_userName;
    platform::UniqueFd m_fd;
    std::unique_ptr<Encoder> m_pEncoder;
    bool m_transcode = false;
    int m_quality;
    int64_t m_fileContentLength = -1;
    uint32_t m_songID = 0;
    int64_t m_contentOffset = 0;
    FileScanner* m_scanner;
    IServerLink* m_serverLink;
    int64_t m_filePos = 0;
    int64_t m_bytesRemaining = 0;
    int m_result = HCR_NONE;
    bool m_localOnly;
    uint64_t m_startMs = 0;
    // When the connection began, for the head's deadline.
    uint64_t m_openedMs;
    // Progress marks for the idle check.
    uint64_t m_lastProgressMs;
    uint32_t m_bytesReadSeen = 0;
    uint32_t m_bytesSentSeen = 0;
};
