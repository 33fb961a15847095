#include "client/library/FileScanner.h"
#include "client/media/FileMetaData.h"
#include "client/stream/Encoder.h"
#include "client/stream/HttpConn.h"
#include "client/stream/HttpRequest.h"
#include "client/stream/HttpResponse.h"
#include "client/stream/SongRequest.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/time/Clock.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

namespace {

// Room beyond a cover image for its header block.
constexpr int64_t kArtHeaderRoom = 1024;

// A decimal id as the resource or a query value gives it; 0 when the text
// holds no number of the 32-bit range.
uint32_t ReadId(const std::string& text) {
    int64_t id = 0;
    if (!ParseLeadingInt(text, id) || id < 0 || id > std::numeric_limits<uint32_t>::max())
        return 0;
    return static_cast<uint32_t>(id);
}

// Opens a song's file as the library lists it; the entry may have been
// replaced since the last scan, so a link, a folder or anything else that
// is not a regular file is refused, as the scanner would refuse it.
platform::UniqueFd OpenListedFile(const std::wstring& path, int64_t& size) {
    return platform::UniqueFd(platform::OpenRegularFileRead(WideToUtf8(path), &size));
}

} // namespace

bool HttpConn::SendSongResponse(const std::string& name, const HttpRequest& request) {
    m_songID = ReadId(name);
    std::string fileIdText;
    const uint32_t fileId = GetQueryValue(request, "cfID", fileIdText) ? ReadId(fileIdText) : 0;
    if (m_songID == 0 && fileId == 0) {
        MVLOG(LOG_ERR, "Received request with bad id %s, %s", name.c_str(), fileIdText.c_str());
        return FailRequest(HTTP_BAD_REQUEST, HCR_REFUSED);
    }
    if (HasQueryValue(request, "art"))
        return SendArt(request, fileId);

    const TranscodeOptions options = ReadTranscodeOptions(request);
    m_transcode = options.transcode;
    m_quality = options.quality;
    std::wstring path;
    uint32_t encType = ENC_OTHER;
    if (!m_scanner || !m_scanner->GetSongFile(m_songID, fileId, path, encType)) {
        MVLOG(LOG_ERR, "Could not get songID %i from scanner", static_cast<int>(m_songID));
        return FailRequest(HTTP_BAD_REQUEST, HCR_SERVER_FAILURE);
    }
    platform::UniqueFd file = OpenListedFile(path, m_fileContentLength);
    // A file deleted since the scan, like an empty one, has no size to send.
    const bool gone = !file.IsValid() && errno == ENOENT;
    if (!file.IsValid() && !gone) {
        MVLOG(LOG_ERR, "Unable to open %ls", path.c_str());
        return FailRequest(HTTP_SERVER_ERROR, HCR_SERVER_FAILURE);
    }
    if (gone || m_fileContentLength <= 0) {
        MVLOG(LOG_ERR, "Unable to retrieve contentLength for songID %s", name.c_str());
        return FailRequest(HTTP_SERVER_ERROR, HCR_SERVER_FAILURE);
    }
    // Every reader reads the descriptor so checked, never the path again.
    if (m_transcode)
        return SendTranscoded(file.Get(), path, encType, request);
    m_fd = std::move(file);
    return SendDirect(path, encType, name, request);
}

bool HttpConn::SendDirect(const std::wstring& path, uint32_t encType, const std::string& name,
                          const HttpRequest& request) {
    const char* contentType = nullptr;
    if (encType == MP3) {
        m_contentOffset = FindAudioRegion(m_fd.Get(), path).start;
        // Seeks need a song: a request by file id alone gets the whole song.
        if (m_songID > 0)
            m_contentOffset = ApplySeek(m_contentOffset, m_fileContentLength, GetSeekPercent(request),
                                        GetRangeStart(request));
        if (m_contentOffset > m_fileContentLength) {
            MVLOG(LOG_ERR, "Invalid Range header %s", name.c_str());
            return FailRequest(HTTP_BAD_REQUEST, HCR_SERVER_FAILURE);
        }
        contentType = "audio/mpeg";
    } else if (encType == AAC) {
        m_contentOffset = 0;
        contentType = "audio/aac";
    } else {
        MVLOG(LOG_ERR, "Song file %ls is of unknown type %u", path.c_str(), encType);
        return FailRequest(HTTP_SERVER_ERROR, HCR_SERVER_FAILURE);
    }
    if (!WriteOkHeaders(contentType, m_fileContentLength - m_contentOffset, false))
        return FailRequest(HTTP_SERVER_ERROR, HCR_SERVER_FAILURE);
    StartBody();
    return true;
}

AudioRegion HttpConn::FindAudioRegion(int fd, const std::wstring& path) {
    FileMetaData metadata;
    metadata.SetPath(path);
    if (!metadata.ReadAudioRegion(fd))
        return AudioRegion();
    const auto start = static_cast<int64_t>(metadata.GetDataOffset());
    return AudioRegion{start, start + static_cast<int64_t>(metadata.GetDataLen())};
}

bool HttpConn::SendArt(const HttpRequest& request, uint32_t fileId) {
    (void)request;
    std::wstring path;
    uint32_t encType = ENC_OTHER;
    int64_t size = 0;
    platform::UniqueFd file;
    if (m_scanner && m_scanner->GetSongFile(m_songID, fileId, path, encType))
        file = OpenListedFile(path, size);
    if (!file.IsValid())
        return FailRequest(HTTP_NOT_FOUND, HCR_REFUSED);
    FileMetaData metadata;
    metadata.SetPath(path);
    (void)metadata.ReadQuickInfo(file.Get());
    std::vector<unsigned char> image;
    std::string mimeType;
    if (!metadata.GetCoverArt(file.Get(), image, mimeType))
        return FailRequest(HTTP_NOT_FOUND, HCR_REFUSED);

    Buf& out = m_conn.outBuf;
    const int64_t imageBytes = static_cast<int64_t>(image.size());
    out.Compact();
    if (out.GetNumFreeBytes() < imageBytes + kArtHeaderRoom)
        out.Reallocate(imageBytes + kArtHeaderRoom);
    if (!WriteOkHeaders(mimeType, imageBytes, false) || !out.WriteBytes(image.data(), imageBytes)) {
        out.Reset();
        return FailRequest(HTTP_SERVER_ERROR, HCR_SERVER_FAILURE);
    }
    m_contentOffset = 0;
    m_fileContentLength = 0;
    StartBody();
    return true;
}

void HttpConn::StartBody() {
    m_filePos = m_contentOffset;
    m_bytesRemaining = m_fileContentLength - m_contentOffset;
    m_startMs = platform::MonotonicMs();
    SetState(HC_SENDING);
    PumpBody();
}

int64_t HttpConn::AllowedSendEnd() const {
    const uint64_t elapsedMs = platform::MonotonicMs() - m_startMs;
    const int64_t bytesPerMs = GetRateBits() / 8 / 1000;
    return m_contentOffset + static_cast<int64_t>(elapsedMs) * bytesPerMs + kLeadBytes;
}

void HttpConn::PumpBody() {
    Buf& out = m_conn.outBuf;
    out.Compact();
    if (m_bytesRemaining > 0 && out.GetNumFreeBytes() > out.GetSize() / 2) {
        if (m_pEncoder) {
            // The source size counts down only by the encoder's end.
            if (!m_pEncoder->Fill(out))
                m_bytesRemaining = 0;
        } else {
            const int64_t count = std::min<int64_t>({m_bytesRemaining, AllowedSendEnd() - m_filePos,
                                                     static_cast<int64_t>(out.GetNumFreeBytes())});
            if (count > 0) {
                const ssize_t got =
                    pread(m_fd.Get(), out.GetWritePtr(), static_cast<size_t>(count), m_filePos);
                // The header has gone out, so a short file can only end the
                // connection: the player sees fewer bytes than announced.
                if (got <= 0) {
                    MVLOG(LOG_ERR, "Error sending file for SongID %d. Errno %d", static_cast<int>(m_songID),
                          got < 0 ? errno : 0);
                    Abort(HCR_SERVER_FAILURE);
                    return;
                }
                (void)out.CommitWrite(got);
                m_filePos += got;
                m_bytesRemaining -= got;
            }
        }
    }
    if (m_bytesRemaining <= 0) {
        SetResult(HCR_COMPLETE);
        m_conn.ShutdownWhenSent();
        SetState(HC_SENT);
    }
}
