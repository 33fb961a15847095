// Audio files made by the tests themselves: a tune of changing tones,
// optionally after some silence, encoded with FFmpeg's own MP3 (LAME) or AAC
// encoder into an MP3 file or an MPEG-4 (.m4a) file.
#pragma once

#include <string>

namespace testsupport {

enum ToneFormat {
    TONE_MP3,
    TONE_M4A,
};

struct ToneSpec {
    ToneFormat format = TONE_MP3;
    double seconds = 30.0;
    // Silence before the tune, within `seconds`.
    double silentSeconds = 0.0;
    int sampleRate = 44100;
    int channels = 2;
};

// False when FFmpeg could not make the file.
[[nodiscard]] bool WriteToneFile(const std::string& path, const ToneSpec& spec);

} // namespace testsupport
