// Owns libvorbis's encoder state: the stream description, the comment, the
// analysis (DSP) state and its working block, each cleared when the owner
// goes. The encoding itself calls libvorbis on the accessors. Results are
// libvorbis's own codes (0: success); nothing logs.
#pragma once

#include <vorbis/codec.h>

namespace platform {

class VorbisEncoder {
  public:
    VorbisEncoder() = default;
    ~VorbisEncoder();
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;

    // vorbis_info_init and vorbis_encode_init_vbr with a base quality from
    // -0.1 to 1.0; vorbis_comment_init.
    [[nodiscard]] int InitVbr(long channels, long rate, float baseQuality) noexcept;
    void AddTag(const char* name, const char* value) noexcept;
    // vorbis_analysis_init and vorbis_block_init, after InitVbr.
    [[nodiscard]] int StartAnalysis() noexcept;
    void Clear() noexcept;

    vorbis_info* Info() noexcept { return &m_info; }
    vorbis_comment* Comment() noexcept { return &m_comment; }
    vorbis_dsp_state* Dsp() noexcept { return &m_dsp; }
    vorbis_block* Block() noexcept { return &m_block; }

  private:
    vorbis_info m_info{};
    vorbis_comment m_comment{};
    vorbis_dsp_state m_dsp{};
    vorbis_block m_block{};
    bool m_infoReady = false;
    bool m_analysisReady = false;
};

} // namespace platform
