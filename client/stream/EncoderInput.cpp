// The transcoder's input side: the file opened with FFmpeg, packets read and
// decoded, and the audio resampled into the staging buffer.
#include "client/stream/Encoder.h"

#include "client/media/FileMetaData.h"
#include "client/media/SongInput.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

namespace {

constexpr int kBytesPerFrame = Encoder::kChannels * 2;

// The demuxer for a song of this type, so that a file is only ever read as
// what the library took it for; null for a type the encoder does not take.
const char* DemuxerFor(uint32_t encType) {
    switch (encType) {
    case MP3:
        return "mp3";
    case AAC:
        return "mov";
    default:
        return nullptr;
    }
}

} // namespace

bool Encoder::OpenInput(int fd, const std::wstring& path) {
    std::string pathUtf8 = WideToUtf8(path);
    if (!m_packet.IsAllocated() || !m_frame.IsAllocated())
        return false;
    const char* demuxer = DemuxerFor(m_encType);
    if (!demuxer) {
        MVLOG(LOG_ERR, "Cannot transcode %s of type %u", pathUtf8.c_str(), m_encType);
        return false;
    }
    m_input.StartReadBudget(kOpenReadBudget);
    // The file the caller checked, whatever the song's path holds by now; an
    // MP3's ID3v2 tag too large to read whole is skipped, as the transcoder
    // needs nothing from it.
    if (fd < 0 || OpenSongInput(m_input, fd, m_encType, pathUtf8, demuxer) < 0) {
        MVLOG(LOG_ERR, "av_open_input_file failed for %s", pathUtf8.c_str());
        return false;
    }
    if (m_input.FindStreamInfo() < 0) {
        MVLOG(LOG_ERR, "av_find_stream_info failed for %s", pathUtf8.c_str());
        return false;
    }
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    const platform::AudioFormat output{&stereo, kSampleRate, AV_SAMPLE_FMT_S16};
    AVFormatContext* input = m_input.Get();
    // Every audio stream is tried and the last one that opens is used; the
    // decoder and resampler of an earlier one go when it is replaced.
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* parameters = input->streams[i]->codecpar;
        if (parameters->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        platform::CodecContext decoder;
        platform::Resampler resampler;
        bool opened = decoder.OpenDecoder(parameters) >= 0;
        if (opened) {
            const AVCodecContext* codec = decoder.Get();
            opened = resampler.Open({&codec->ch_layout, codec->sample_rate, codec->sample_fmt}, output) >= 0;
        }
        if (!opened) {
            MVLOG(LOG_ERR, "Error finding decoder or opening codec for %i/%i'",
                  static_cast<int>(parameters->codec_type), static_cast<int>(parameters->codec_id));
            continue;
        }
        m_decoder = std::move(decoder);
        m_resampler = std::move(resampler);
        m_audioStream = static_cast<int>(i);
    }
    NoteAudio();
    return m_audioStream >= 0;
}

void Encoder::Step() {
    // Fill runs a step only when no frame waits. A step ends once one comes
    // out: after a packet with a known position sends the staged audio on,
    // or when a full stage had to be encoded early (as when packets carry no
    // positions); or after kPacketsPerStep packets, so that a file whose
    // packets give no audio is read over many passes, never in one; or when
    // the Fill's reads are spent, the next Fill reading on.
    for (int packets = 0; m_waiting.empty() && packets < kPacketsPerStep; ++packets) {
        if (TooLongWithoutAudio()) {
            MVLOG(LOG_ERR, "No audio in %lli bytes and %i packets read, ending the stream",
                  static_cast<long long>(m_input.BytesRead() - m_bytesAtAudio), m_packetsWithoutAudio);
            EndInput();
            return;
        }
        if (!m_packetHeld && m_input.ReadPacket(m_packet.Get()) < 0) {
            if (m_input.ReadBudgetSpent())
                return;
            MVLOG(LOG_ERR, "av_read_frame failed - eof");
            EndInput();
            return;
        }
        m_packetHeld = false;
        ++m_packetsWithoutAudio;
        if (m_packet->stream_index != m_audioStream) {
            MVLOG(LOG_INFO, "Skipping packet from stream %i", m_packet->stream_index);
            m_packet.Unref();
            continue;
        }
        if (m_packet->pos >= 0) {
            if (m_staging.HasData()) {
                MVLOG(LOG_INFO, "About to encode %i bytes for fp %i", m_staging.GetNumUsedBytes(),
                      static_cast<int>(m_stagedPos));
                EncodeStaged();
            }
            m_stagedPos = m_packet->pos;
        }
        DecodePacket(m_packet.Get());
        m_packet.Unref();
    }
}

void Encoder::EndInput() {
    if (m_decodeErrors > 1)
        MVLOG(LOG_ERR, "%i packets in all failed to decode", m_decodeErrors);
    DrainInput();
    if (m_staging.HasData())
        EncodeStaged();
    vorbis_analysis_wrote(m_vorbis.Dsp(), 0);
    m_endReached = true;
}

void Encoder::NoteAudio() {
    m_bytesAtAudio = m_input.BytesRead();
    m_packetsWithoutAudio = 0;
}

bool Encoder::TooLongWithoutAudio() const {
    return m_input.BytesRead() - m_bytesAtAudio > kMaxBytesWithoutAudio ||
           m_packetsWithoutAudio > kMaxPacketsWithoutAudio;
}

void Encoder::DecodePacket(const AVPacket* packet) {
    int result = m_decoder.SendPacket(packet);
    if (result < 0) {
        OnDecodeError(result);
        return;
    }
    ReceiveFrames();
}

void Encoder::OnDecodeError(int result) {
    m_decoder.Flush();
    // A damaged stream fails packet after packet: the first failure is
    // logged, the rest are counted for the end.
    if (m_decodeErrors++ == 0)
        MVLOG(LOG_ERR, "avcodec_decode_audio3 failed (%i)", result);
}

void Encoder::ReceiveFrames() {
    for (;;) {
        int result = m_decoder.ReceiveFrame(m_frame.Get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        if (result < 0) {
            OnDecodeError(result);
            return;
        }
        Resample(m_frame.Get());
        m_frame.Unref();
    }
}

void Encoder::Resample(const AVFrame* frame) {
    auto format = static_cast<AVSampleFormat>(frame->format);
    if (!m_resampler.Takes(frame->ch_layout, frame->sample_rate, format)) {
        // A stream may change its layout or rate midway (as AAC with SBR can).
        const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        platform::Resampler resampler;
        int result = resampler.Open({&frame->ch_layout, frame->sample_rate, format},
                                    {&stereo, kSampleRate, AV_SAMPLE_FMT_S16});
        if (result < 0) {
            MVLOG(LOG_ERR, "Cannot resample %i channels at %i Hz (%i)", frame->ch_layout.nb_channels,
                  frame->sample_rate, result);
            return;
        }
        m_resampler = std::move(resampler);
    }
    StageResampled(frame->extended_data, frame->nb_samples, false);
}

void Encoder::StageResampled(const uint8_t* const* input, int inFrames, bool draining) {
    // The resampler keeps what does not fit; a full stage is encoded first,
    // so nothing is written past the staging buffer and nothing is lost.
    for (;;) {
        if (m_staging.GetNumFreeBytes() < kBytesPerFrame)
            EncodeStaged();
        int room = m_staging.GetNumFreeBytes() / kBytesPerFrame;
        uint8_t* write = m_staging.GetWritePtr();
        int got =
            draining ? m_resampler.Drain(&write, room) : m_resampler.Convert(&write, room, input, inFrames);
        if (got < 0) {
            MVLOG(LOG_ERR, "Resampling failed (%i)", got);
            return;
        }
        m_staging.CommitWrite(static_cast<int64_t>(got) * kBytesPerFrame);
        if (got > 0)
            NoteAudio();
        if (got < room)
            return;
        input = nullptr;
        inFrames = 0;
    }
}

void Encoder::DrainInput() {
    // The decoder's and the resampler's last frames.
    if (m_decoder.SendPacket(nullptr) >= 0)
        ReceiveFrames();
    StageResampled(nullptr, 0, true);
}

void Encoder::EncodeStaged() {
    EncodeAndPage(m_staging.GetReadPtr(), m_staging.GetNumUsedBytes(), m_stagedPos);
    m_staging.Reset();
}
