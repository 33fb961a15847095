#include "client/media/print/FingerPrinter2.h"

#include "client/media/FileMetaData.h"
#include "client/media/Mp3TagFile.h"
#include "client/media/Mp4TagFile.h"
#include "client/media/SongInput.h"
#include "client/media/print/PrintKeys.h"
#include "client/media/print/PrintSignal.h"
#include "include/crash/Assert.h"
#include "include/fs/FileTypes.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/lib/ffmpeg/Error.h"

#include <fcntl.h>
#include <mp4file.h>
#include <mpegfile.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

// The demuxer's probe reads at most this much.
constexpr int64_t kProbeBytes = 65536;
constexpr char kMp3Demuxer[] = "mp3";
// One decoding thread: the print runs at idle priority, one at a time, and
// the decoded samples must not depend on how a decoder splits its work.
constexpr int kDecoderThreads = 1;

// The song's length in seconds from the audio properties of the file open as
// `fd`, read as the analysis reads its tags (TagFile: Mp3TagFile or
// Mp4TagFile); false when it has none.
template <typename TagFile> bool ReadSongSecs(int fd, const std::string& utf8Path, uint32_t& secs) {
    const TagFile tagFile(utf8Path, fd, true);
    const TagLib::AudioProperties* properties = tagFile.File().audioProperties();
    if (!properties)
        return false;
    const int length = properties->lengthInSeconds();
    secs = length > 0 ? static_cast<uint32_t>(length) : 0;
    return true;
}

} // namespace

std::atomic<int> FingerPrinter2::s_numInstances{0};
std::vector<int16_t> FingerPrinter2::s_buf;
std::vector<double> FingerPrinter2::s_samples;
bool FingerPrinter2::s_inited = false;

FingerPrinter2::FingerPrinter2(const std::wstring& path)
    : m_utf8Path(WideToUtf8(path)), m_isAac(IsM4aFile(path)),
      m_file(platform::OpenCloexec(m_utf8Path, O_RDONLY)) {
    ++s_numInstances;
    MV_ASSERT(FingerPrinter2::s_numInstances == 1);

    const bool hasSecs =
        m_file.IsValid() && (m_isAac ? ReadSongSecs<Mp4TagFile>(m_file.Get(), m_utf8Path, m_songSecs)
                                     : ReadSongSecs<Mp3TagFile>(m_file.Get(), m_utf8Path, m_songSecs));
    if (!hasSecs) {
        MVLOG(LOG_ERR, "Error getting audio properties for %s, errno %i", m_utf8Path.c_str(), errno);
        return;
    }
    m_printSecs = m_songSecs;
    if (!OpenInput())
        return;
    if (m_input.FindStreamInfo() < 0) {
        MVLOG(LOG_ERR, "av_find_stream_info failed for %s", m_utf8Path.c_str());
        return;
    }

    AVFormatContext* context = m_input.Get();
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* parameters = context->streams[i]->codecpar;
        if (parameters->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        if (m_decoder.OpenDecoder(parameters, kDecoderThreads) < 0) {
            MVLOG(LOG_ERR, "Error finding decoder or opening codec for %i/%i'",
                  static_cast<int>(parameters->codec_type), static_cast<int>(parameters->codec_id));
            continue;
        }
        // Encoder delay and padding stay in the decoded audio.
        m_decoder.Get()->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
        m_streamIndex = static_cast<int>(i);
        m_streamDuration = static_cast<uint32_t>(context->streams[i]->duration);
        m_decoderReady = true;
        break;
    }
}

FingerPrinter2::~FingerPrinter2() {
    --s_numInstances;
    MV_ASSERT(FingerPrinter2::s_numInstances == 0);
}

bool FingerPrinter2::OpenInput() {
    // Probing finds the MPEG-4 container; the raw AAC demuxer would find no
    // stream in it.
    const int opened = OpenSongInput(m_input, m_file.Get(), m_isAac ? AAC : MP3, m_utf8Path,
                                     m_isAac ? nullptr : kMp3Demuxer, kProbeBytes);
    if (opened < 0) {
        MVLOG(LOG_ERR, "av_open_input_file failed for %s, err %i, %s", m_utf8Path.c_str(), opened,
              platform::AvErrorText(opened).c_str());
        return false;
    }
    return true;
}

bool FingerPrinter2::CalcPrint(std::vector<PrintEntry>& print, std::vector<uint32_t>& keys,
                               uint32_t& printSecs) {
    if (!s_inited) {
        s_buf.assign(kPrintSamples, 0);
        s_inited = true;
    }
    s_samples.clear();
    print.clear();
    keys.clear();
    printSecs = 0;
    m_printSecs = 0;

    if (!m_decoderReady || !FindLeadInSamples()) {
        MVLOG(LOG_ERR, "AP: %i, LO/RO: %u/%u, NS: %u,  PTS: %i can't print", m_decoderReady ? 1 : 0,
              static_cast<unsigned>(m_leadIn), static_cast<unsigned>(m_trailingCut), m_streamDuration,
              static_cast<int>(m_printSecs));
        return false;
    }
    MVLOG(LOG_INFO, "calcing print for %s, lo: %i, ro: %i", m_utf8Path.c_str(), static_cast<int>(m_leadIn),
          static_cast<int>(m_trailingCut));

    const double cutSecs = std::floor(static_cast<double>(m_leadIn + m_trailingCut) / kPrintSampleRate + 0.5);
    m_printSecs = cutSecs >= m_songSecs ? 0 : m_songSecs - static_cast<uint32_t>(cutSecs);
    if (m_printSecs == 0) {
        MVLOG(LOG_ERR, "%s is too short to fingerprint", m_utf8Path.c_str());
        return false;
    }
    m_leadOffset = LeadOffsetForDuration(m_printSecs);
    if (!DecodeFile(static_cast<uint64_t>(m_leadOffset) * kPrintSampleRate + m_leadIn, true))
        return false;
    MV_ASSERT(!FingerPrinter2::s_samples.empty());
    if (!FramesToFeatures(s_samples, keys)) {
        MVLOG(LOG_ERR, "Error converting samples into keys");
        keys.clear();
        return false;
    }
    KeysToPrint(keys, print);
    printSecs = m_printSecs;
    return true;
}

bool FingerPrinter2::FindLeadInSamples() {
    LeadInSearch search;
    if (!DecodeFile(0, false, &search))
        return false;
    m_leadIn = search.Result();
    return true;
}

bool FingerPrinter2::DecodeFile(uint64_t startSample, bool repeat, LeadInSearch* search) {
    MV_ASSERT(FingerPrinter2::s_inited);
    size_t done = 0;
    if (!DecodePackets(s_buf.data(), s_buf.size(), done, startSample, search)) {
        MVLOG(LOG_ERR, "DecodeFile failed");
        return false;
    }
    if (repeat) {
        // The audio repeats from its start until the buffer is full.
        const size_t decoded = done;
        while (done < s_buf.size()) {
            const size_t count = std::min(decoded, s_buf.size() - done);
            MV_ASSERT(FingerPrinter2::s_buf.size() >= done + count);
            std::memcpy(s_buf.data() + done, s_buf.data(), count * sizeof(int16_t));
            done += count;
        }
    }
    SamplesToDoubles(s_buf.data(), 1, done, s_samples);
    MVLOG(LOG_VERB, "Built samples");
    return true;
}
