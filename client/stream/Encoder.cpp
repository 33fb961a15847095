#include "client/stream/Encoder.h"

#include "client/media/FileMetaData.h"
#include "include/log/Logger.h"
#include "platform/time/Clock.h"

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

void Encoder::SeekPercent(float percent, const AudioRegion& audio) {
    AVFormatContext* input = m_input.Get();
    if (!m_open || !std::isfinite(percent) || input->duration == AV_NOPTS_VALUE)
        return;
    auto timestamp = static_cast<int64_t>(static_cast<double>(input->duration) * percent / 100.0);
    const platform::ReadBudget& budget = m_encType == MP3 ? kMp3SeekReadBudget : kSeekReadBudget;
    m_input.StartReadBudget(budget);
    int result = m_input.Seek(-1, timestamp, AVSEEK_FLAG_BACKWARD);
    // An MP3 without a table of contents is sought by reading every packet on
    // the way; where that ran out of budget (a long song), the same share of
    // the audio's bytes (of the file's, when the caller knows no better) is
    // the better place to start, and the attempt cut short is no failure.
    const AudioRegion region =
        audio.IsKnown() ? audio : AudioRegion{0, input->pb ? avio_size(input->pb) : -1};
    if (m_encType == MP3 && m_input.ReadBudgetSpent() && region.IsKnown()) {
        const auto offset =
            region.start + static_cast<int64_t>(static_cast<double>(region.end - region.start) *
                                                std::clamp(percent, 0.0f, 100.0f) / 100.0);
        MVLOG(LOG_INFO, "Seek to %lli of %lli cut short by its read budget, going to byte %lli",
              static_cast<long long>(timestamp), static_cast<long long>(input->duration),
              static_cast<long long>(offset));
        m_input.StartReadBudget(budget);
        result = m_input.Seek(m_audioStream, offset, AVSEEK_FLAG_BYTE);
        if (result < 0)
            MVLOG(LOG_ERR, "Seek to byte %lli failed (%i)", static_cast<long long>(offset), result);
    } else if (result < 0) {
        MVLOG(LOG_ERR, "Seek to %lli of %lli failed (%i)", static_cast<long long>(timestamp),
              static_cast<long long>(input->duration), result);
    }
    EndSeek(m_input.ReadBudgetSpent());
}

void Encoder::SeekAhead(int64_t offset) {
    MVLOG(LOG_INFO, "In SeekAhead, going to pos %i", static_cast<int>(offset));
    if (!m_open)
        return;
    if (m_encType != MP3) {
        // Packets are read up to the offset by the Fills, each within its
        // budget, so that a skip far into a long file holds the core no
        // longer than a Fill does; where the demuxer's index tells the
        // packets' places, they start next to it.
        m_skip = PacketSkip();
        m_skip.offset = offset;
        SeekNextToSkipEnd();
        return;
    }
    m_input.StartReadBudget(kSeekReadBudget);
    int result = m_input.Seek(m_audioStream, offset, AVSEEK_FLAG_BYTE);
    if (result < 0)
        MVLOG(LOG_ERR, "Seek to byte %lli failed (%i)", static_cast<long long>(offset), result);
    EndSeek(m_input.ReadBudgetSpent());
}

void Encoder::SeekNextToSkipEnd() {
    // The index lists the audio stream's packets in reading order with their
    // places (all of them for a file whose movie box holds its tables; those
    // read so far for a fragmented one). The input is put at the last packet
    // before the first at or past the offset, and the skip judges from there
    // as if it had read the packets before: the packet it starts the audio
    // with is the same, and none of the others is read.
    AVStream* stream = m_input.Get()->streams[m_audioStream];
    const int entries = avformat_index_get_entries_count(stream);
    int before = entries - 1;
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (entry && entry->pos >= m_skip.offset) {
            before = i - 1;
            break;
        }
    }
    // At the first packet there is nothing to pass over.
    if (before < 1)
        return;
    const AVIndexEntry* entry = avformat_index_get_entry(stream, before);
    m_input.StartReadBudget(kFillReadBudget);
    const int result = m_input.Seek(m_audioStream, entry->timestamp, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
    if (result >= 0)
        m_skip.first = false;
    else
        MVLOG(LOG_INFO, "Seek to packet %i for byte %lli failed (%i), skipping packets", before,
              static_cast<long long>(m_skip.offset), result);
    m_input.StopReadBudget();
}

void Encoder::EndSeek(bool cutShort) {
    // A seek cut short by its budget is not an error: the stream goes on from
    // where the reads stopped (or the last packet the seek passed), and a
    // stretch without audio there ends it as in any Fill.
    if (cutShort)
        MVLOG(LOG_ERR, "Seek cut short by its read budget, going on from there");
    m_input.StopReadBudget();
    m_decoder.Flush();
    NoteAudio();
}

void Encoder::SkipPackets() {
    // A Fill's share: packets are read until the next might pass the share,
    // so that a refused read rarely cuts the packet that decides where the
    // audio starts; the Fill's budget still stops a larger one. The skip
    // goes on in the next Fill until it reaches its offset or the input's
    // end, however far that is: no pass reads more than a Fill does.
    m_input.StartReadBudget(kFillReadBudget);
    const int64_t bytesAtStart = m_input.BytesRead();
    const uint64_t msAtStart = platform::MonotonicMs();
    while (!m_input.ReadBudgetSpent() &&
           !kSkipPassShare.SpentBy(m_input.BytesRead() - bytesAtStart, platform::MonotonicMs() - msAtStart)) {
        if (m_input.ReadPacket(m_packet.Get()) < 0) {
            if (m_input.ReadBudgetSpent())
                break;
            // The input's end: the next Fill ends the stream.
            EndSkip();
            return;
        }
        const bool ends = SkipEndsAt(*m_packet.Get());
        if (!m_packetHeld)
            m_packet.Unref();
        if (ends) {
            EndSkip();
            return;
        }
    }
    m_input.StopReadBudget();
}

bool Encoder::SkipEndsAt(const AVPacket& packet) {
    if (packet.stream_index != m_audioStream || packet.pos < 0)
        return false;
    // When the first audio packet already starts at the offset (the start of
    // the audio data), it is kept; else the one after the packet that
    // reaches the offset comes first.
    if (m_skip.first && packet.pos >= m_skip.offset) {
        m_packetHeld = true;
        return true;
    }
    m_skip.first = false;
    const int64_t end = packet.pos + packet.size;
    if (end < m_skip.offset)
        return false;
    MVLOG(LOG_INFO, "Next packet is %lli bytes past our offset, breaking",
          static_cast<long long>(m_skip.offset - end));
    return true;
}

void Encoder::EndSkip() {
    m_skip = PacketSkip();
    EndSeek(false);
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
        } else if (m_skip.offset >= 0) {
            SkipPackets();
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
    m_skip = PacketSkip();
    m_decodeErrors = 0;
    m_bytesAtAudio = 0;
    m_packetsWithoutAudio = 0;
    m_open = false;
    m_staging.Reset();
    std::vector<uint8_t>().swap(m_waiting);
    m_waitingRead = 0;
}
