// Audio files made by the tests with FFmpeg's own encoders: a sine tone of a
// given length, rate and channel count in any container FFmpeg can write.
#pragma once

#include <string>

namespace testsupport {

struct ToneSpec {
    // Muxer and encoder names, as FFmpeg knows them ("mp3" and "libmp3lame",
    // "ipod" and "aac", "wav" and "pcm_s16le").
    std::string muxer;
    std::string encoder;
    int sampleRate = 44100;
    int channels = 2;
    double seconds = 3.0;
    double frequency = 440.0;
};

// The amplitude of the tone, as a share of full scale.
constexpr double kToneAmplitude = 0.5;

// Whether this FFmpeg build has the encoder.
bool HasAudioEncoder(const std::string& name);

// Writes the tone to `path`; false when FFmpeg lacks the encoder or muxer or
// the file could not be written. `muxerOptions` are "name=value" pairs
// joined by ':' ("movflags=empty_moov+global_sidx:frag_duration=1000000"
// writes a fragmented file whose packets the demuxer indexes a fragment at a
// time, as it reads them).
[[nodiscard]] bool WriteTone(const std::string& path, const ToneSpec& spec,
                             const std::string& muxerOptions = "");

} // namespace testsupport
