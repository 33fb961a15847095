// Reads back the framed Ogg body the transcoder writes: the frames (u32
// source position, u32 page length, the page) and the audio decoded from
// their pages with libvorbisfile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct OggFrame {
    uint32_t position = 0;
    std::string page; // empty for the end marker
};

// The frames of `body`; false when a frame runs past the end.
[[nodiscard]] bool SplitOggFrames(const std::string& body, std::vector<OggFrame>& frames);

struct DecodedOgg {
    long sampleRate = 0;
    int channels = 0;
    long nominalBitrate = 0;
    std::vector<std::string> comments;
    // Interleaved 16-bit samples.
    std::vector<int16_t> samples;
};

// Decodes a whole Ogg Vorbis stream; false when libvorbisfile refuses it or
// stops on an error before its end.
[[nodiscard]] bool DecodeOgg(const std::string& ogg, DecodedOgg& decoded);

} // namespace testsupport
