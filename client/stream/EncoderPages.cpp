// The transcoder's output side: Vorbis set-up, encoding, Ogg paging and the
// framed pages that wait for room in the output.
#include "client/stream/Encoder.h"

#include "client/core/RandomSource.h"
#include "include/log/Logger.h"

#include <algorithm>

namespace {

constexpr const char* kEncoderTagName = "ENCODER";
constexpr const char* kProductName = "Melvane";
constexpr float kSampleScale = 32768.0f;

void PutBigEndian32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

} // namespace

bool Encoder::InitVorbis(int quality) {
    if (m_vorbis.InitVbr(kChannels, kSampleRate, static_cast<float>(quality / 10.0)) != 0)
        return false;
    m_vorbis.AddTag(kEncoderTagName, kProductName);
    if (m_vorbis.StartAnalysis() != 0)
        return false;
    if (m_ogg.Init(static_cast<int>(GetRandomSource().Next())) != 0)
        return false;
    ogg_packet headers[3];
    if (vorbis_analysis_headerout(m_vorbis.Dsp(), m_vorbis.Comment(), &headers[0], &headers[1],
                                  &headers[2]) != 0)
        return false;
    // Each header on a page of its own: identification, comment, set-up.
    for (ogg_packet& header : headers) {
        ogg_stream_packetin(m_ogg.Get(), &header);
        ogg_page page;
        while (ogg_stream_flush(m_ogg.Get(), &page))
            QueuePage(page, 0);
    }
    return true;
}

void Encoder::EncodeAndPage(const uint8_t* pcm, int bytes, int64_t position) {
    vorbis_dsp_state* dsp = m_vorbis.Dsp();
    if (bytes > 0) {
        int frames = bytes / (kChannels * 2);
        float** channels = vorbis_analysis_buffer(dsp, frames);
        for (int i = 0; i < frames; ++i) {
            int16_t left = static_cast<int16_t>(pcm[4 * i] | (pcm[4 * i + 1] << 8));
            int16_t right = static_cast<int16_t>(pcm[4 * i + 2] | (pcm[4 * i + 3] << 8));
            channels[0][i] = left / kSampleScale;
            channels[1][i] = right / kSampleScale;
        }
        vorbis_analysis_wrote(dsp, frames);
    }
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(dsp, m_vorbis.Block()) == 1) {
        vorbis_analysis(m_vorbis.Block(), nullptr);
        vorbis_bitrate_addblock(m_vorbis.Block());
        while (vorbis_bitrate_flushpacket(dsp, &packet)) {
            ogg_stream_packetin(m_ogg.Get(), &packet);
            while (!m_streamEnded && ogg_stream_pageout(m_ogg.Get(), &page)) {
                QueuePage(page, position);
                MVLOG(LOG_ERR, "Wrote %lu bytes of ogg, at file pos %i",
                      static_cast<unsigned long>(page.header_len + page.body_len),
                      static_cast<int>(position));
                m_streamEnded = ogg_page_eos(&page) != 0;
            }
        }
    }
    // Whatever this run encoded goes out now, on its own pages.
    while (!m_streamEnded && ogg_stream_flush(m_ogg.Get(), &page)) {
        QueuePage(page, position);
        if (ogg_page_eos(&page)) {
            MVLOG(LOG_INFO, "ogg_page_eos returned TRUE");
            m_streamEnded = true;
        }
    }
    if (m_streamEnded && !m_markerQueued) {
        QueueFrameHead(position, 0);
        m_markerQueued = true;
    }
}

void Encoder::QueuePage(const ogg_page& page, int64_t position) {
    QueueFrameHead(position, static_cast<uint32_t>(page.header_len + page.body_len));
    m_waiting.insert(m_waiting.end(), page.header, page.header + page.header_len);
    m_waiting.insert(m_waiting.end(), page.body, page.body + page.body_len);
}

void Encoder::QueueFrameHead(int64_t position, uint32_t length) {
    uint8_t head[kFrameHeadBytes];
    // The frame carries 32 bits of position; the files served are smaller.
    PutBigEndian32(head, static_cast<uint32_t>(position));
    PutBigEndian32(head + 4, length);
    m_waiting.insert(m_waiting.end(), head, head + kFrameHeadBytes);
}

void Encoder::MoveWaiting(Buf& out) {
    size_t count = std::min<size_t>(m_waiting.size() - m_waitingRead, std::max(out.GetNumFreeBytes(), 0));
    if (count > 0 && out.WriteBytes(m_waiting.data() + m_waitingRead, static_cast<int64_t>(count)))
        m_waitingRead += count;
    if (m_waitingRead == m_waiting.size()) {
        m_waiting.clear();
        m_waitingRead = 0;
    }
}
