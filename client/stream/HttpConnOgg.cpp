#include "client/media/FileMetaData.h"
#include "client/stream/Encoder.h"
#include "client/stream/HttpConn.h"
#include "client/stream/HttpResponse.h"
#include "client/stream/SongRequest.h"
#include "include/log/Logger.h"

#include <memory>

bool HttpConn::SendTranscoded(int fd, const std::wstring& path, uint32_t encType,
                              const HttpRequest& request) {
    // Opened before anything is queued, so a file that cannot be decoded
    // gets a plain 500.
    auto encoder = std::make_unique<Encoder>();
    if (!encoder->Open(fd, path, encType, m_quality)) {
        MVLOG(LOG_ERR, "Unable to open %ls", path.c_str());
        return FailRequest(HTTP_SERVER_ERROR, HCR_SERVER_FAILURE);
    }
    const float percent = GetSeekPercent(request);
    const int64_t rangeStart = GetRangeStart(request);
    // An MP3's seek by time may give way to one by the audio's bytes.
    if (IsSeekPercent(percent))
        encoder->SeekPercent(percent, encType == MP3 ? FindAudioRegion(fd, path) : AudioRegion());
    else if (IsRangeStart(rangeStart, m_fileContentLength))
        encoder->SeekAhead(rangeStart);
    m_contentOffset = 0;
    if (!WriteOkHeaders("audio/ogg", m_fileContentLength, true))
        return FailRequest(HTTP_SERVER_ERROR, HCR_SERVER_FAILURE);
    m_pEncoder = std::move(encoder);
    StartBody();
    return true;
}

bool HttpConn::HasWorkWithoutWaiting() const {
    return m_state == HC_SENDING && m_pEncoder && m_pEncoder->IsSkipping();
}
