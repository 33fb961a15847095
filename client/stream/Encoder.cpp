#include "client/stream/Encoder.h"

#include "client/media/FileMetaData.h"
#include "include/log/Logger.h"

#include <algorithm>
#include <cmath>

Encoder::Encoder() : m_staging(kStagingBytes) {}

Encoder::~Encoder() {
    Close();
}

int Encoder::ClampQuality(long long quality) {
    return static_cast<int>(std::clamp<long long>(quality, kMinQuality, kMaxQuality));
}

bool Encoder::Open(int fd, const std::wstring& path, uint32_t encType, int quality) {
    Close();
    m_encType = encType;
    m_open = InitVorbis(quality) && OpenInput(fd, path);
    m_input.StopReadBudget();
    if (!m_open)
        Close();
    return m_open;
}

void Encoder::SeekPercent(float percent) {
    AVFormatContext* input = m_input.Get();
    if (!m_open || !std::isfinite(percent) || input->duration == AV_NOPTS_VALUE)
        return;
    auto timestamp = static_cast<int64_t>(static_cast<double>(input->duration) * percent / 100.0);
    const platform::ReadBudget& budget = m_encType == MP3 ? kMp3SeekReadBudget : kSeekReadBudget;
    m_input.StartReadBudget(budget);
    int result = m_input.Seek(-1, timestamp, AVSEEK_FLAG_BACKWARD);
    if (result < 0)
        MVLOG(LOG_ERR, "Seek to %lli of %lli failed (%i)", static_cast<long long>(timestamp),
              static_cast<long long>(input->duration), result);
    // An MP3 without a table of contents is sought by reading every packet on
    // the way; where that ran out of budget (a long song), the same share of
    // the file's bytes is the better place to start.
    const int64_t size = input->pb ? avio_size(input->pb) : -1;
    if (m_encType == MP3 && m_input.ReadBudgetSpent() && size > 0) {
        const auto offset =
            static_cast<int64_t>(static_cast<double>(size) * std::clamp(percent, 0.0f, 100.0f) / 100.0);
        m_input.StartReadBudget(budget);
        result = m_input.Seek(m_audioStream, offset, AVSEEK_FLAG_BYTE);
        if (result < 0)
            MVLOG(LOG_ERR, "Seek to byte %lli failed (%i)", static_cast<long long>(offset), result);
    }
    EndSeek();
}

void Encoder::SeekAhead(int64_t offset) {
    MVLOG(LOG_INFO, "In SeekAhead, going to pos %i", static_cast<int>(offset));
    if (!m_open)
        return;
    m_input.StartReadBudget(kSeekReadBudget);
    if (m_encType == MP3) {
        int result = m_input.Seek(m_audioStream, offset, AVSEEK_FLAG_BYTE);
        if (result < 0)
            MVLOG(LOG_ERR, "Seek to byte %lli failed (%i)", static_cast<long long>(offset), result);
    } else {
        SkipPacketsTo(offset);
    }
    EndSeek();
}

void Encoder::EndSeek() {
    // A seek cut short by its budget is not an error: the stream goes on from
    // where the reads stopped (or the last packet the seek passed), and a
    // stretch without audio there ends it as in any Fill.
    if (m_input.ReadBudgetSpent())
        MVLOG(LOG_ERR, "Seek cut short by its read budget, going on from there");
    m_input.StopReadBudget();
    m_decoder.Flush();
    NoteAudio();
}

void Encoder::SkipPacketsTo(int64_t offset) {
    // When the first audio packet already starts at the offset (the start of
    // the audio data), it is kept.
    bool first = true;
    while (m_input.ReadPacket(m_packet.Get()) >= 0) {
        if (m_packet->stream_index == m_audioStream && m_packet->pos >= 0) {
            int64_t end = m_packet->pos + m_packet->size;
            if (first && m_packet->pos >= offset) {
                m_packetHeld = true;
                return;
            }
            first = false;
            if (end >= offset) {
                MVLOG(LOG_INFO, "Next packet is %lli bytes past our offset, breaking",
                      static_cast<long long>(offset - end));
                m_packet.Unref();
                return;
            }
        }
        m_packet.Unref();
    }
}

bool Encoder::Fill(Buf& out) {
    if (!m_open)
        return false;
    if (!out.HasSpace()) {
        MVLOG(LOG_ERR, "not enough free space in output buffer");
        return true;
    }
    if (m_waitingRead == m_waiting.size() && !m_markerQueued) {
        if (m_endReached) {
            EncodeAndPage(nullptr, 0, m_stagedPos);
            // The last packet carries the end-of-stream mark, so the marker
            // is queued by now; should it not be, the answer still ends.
            if (!m_markerQueued) {
                QueueFrameHead(m_stagedPos, 0);
                m_markerQueued = true;
            }
        } else {
            m_input.StartReadBudget(kFillReadBudget);
            Step();
            m_input.StopReadBudget();
        }
    }
    MoveWaiting(out);
    return !m_markerQueued || m_waitingRead < m_waiting.size();
}

void Encoder::Close() {
    m_packet.Unref();
    m_frame.Unref();
    m_resampler.Free();
    m_decoder.Free();
    m_input.Close();
    m_ogg.Clear();
    m_vorbis.Clear();
    m_audioStream = -1;
    m_stagedPos = 0;
    m_endReached = false;
    m_streamEnded = false;
    m_markerQueued = false;
    m_packetHeld = false;
    m_decodeErrors = 0;
    m_bytesAtAudio = 0;
    m_packetsWithoutAudio = 0;
    m_open = false;
    m_staging.Reset();
    std::vector<uint8_t>().swap(m_waiting);
    m_waitingRead = 0;
}
