// Audio files made by the tests themselves: a tune of changing tones,
// optionally after some silence, encoded with FFmpeg's own MP3 (LAME) or AAC
// encoder into an MP3 file or an MPEG-4 (.m4a) file.
#pragma once

#include <string>

namespace testsupport {

enum TuneFormat {
    TUNE_MP3,
    TUNE_M4A,
};

struct TuneSpec {
    TuneFormat format = TUNE_MP3;
    double seconds = 30.0;
    // Silence before the tune, within `seconds`.
    double silentSeconds = 0.0;
    int sampleRate = 44100;
    int channels = 2;
    // Semitones from one note to the next (mod 24): another step is another
    // tune.
    int noteStep = 7;
};

// False when FFmpeg could not make the file.
[[nodiscard]] bool WriteTuneFile(const std::string& path, const TuneSpec& spec);

} // namespace testsupport
