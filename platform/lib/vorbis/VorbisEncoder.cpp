#include "platform/lib/vorbis/VorbisEncoder.h"

#include <vorbis/vorbisenc.h>

namespace platform {

VorbisEncoder::~VorbisEncoder() {
    Clear();
}

int VorbisEncoder::InitVbr(long channels, long rate, float baseQuality) noexcept {
    Clear();
    vorbis_info_init(&m_info);
    vorbis_comment_init(&m_comment);
    m_infoReady = true;
    return vorbis_encode_init_vbr(&m_info, channels, rate, baseQuality);
}

void VorbisEncoder::AddTag(const char* name, const char* value) noexcept {
    vorbis_comment_add_tag(&m_comment, name, value);
}

int VorbisEncoder::StartAnalysis() noexcept {
    int result = vorbis_analysis_init(&m_dsp, &m_info);
    if (result != 0)
        return result;
    result = vorbis_block_init(&m_dsp, &m_block);
    if (result != 0) {
        vorbis_dsp_clear(&m_dsp);
        return result;
    }
    m_analysisReady = true;
    return 0;
}

void VorbisEncoder::Clear() noexcept {
    if (m_analysisReady) {
        vorbis_block_clear(&m_block);
        vorbis_dsp_clear(&m_dsp);
        m_analysisReady = false;
    }
    if (m_infoReady) {
        vorbis_comment_clear(&m_comment);
        vorbis_info_clear(&m_info);
        m_infoReady = false;
    }
}

} // namespace platform
