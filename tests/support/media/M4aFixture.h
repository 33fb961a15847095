// M4A files made by the tests themselves: a tone encoded by libavcodec's own
// AAC (or ALAC) encoder and muxed by libavformat, with the movie box first
// or last, then tagged by TagLib.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

enum class M4aCodec { AAC, ALAC };

// A "covr" picture: its format number (13 JPEG, 14 PNG, ...) and the size of
// a picture made by FixturePicture.
struct M4aCover {
    int format = 13;
    size_t bytes = 0;
};

struct M4aTags {
    std::string title, artist, album;
    unsigned track = 0;
    // Items by their key as stored ("aART", "xid ", ...), each one text.
    std::vector<std::pair<std::string, std::string>> items;
    std::vector<M4aCover> covers;
};

struct M4aSpec {
    int seconds = 2;
    bool moovFirst = false;
    M4aCodec codec = M4aCodec::AAC;
    // Written when set.
    const M4aTags* tags = nullptr;
    // The tags' box comes before the audio track in the movie box, so the
    // demuxer lists the cover picture as stream 0 and the audio as stream 1.
    bool tagsBeforeAudio = false;
};

// Writes the file; false (with a line on standard error) when FFmpeg or
// TagLib failed.
[[nodiscard]] bool WriteM4a(const std::string& path, const M4aSpec& spec);

// Writes the file of `spec` (its tags set) with one more "covr" item before
// the others, a JPEG of `coverBytes` that is a hole in the file, never
// written (zeros): only the item's size says it is there. The audio's chunk
// offsets follow when the movie box comes first.
[[nodiscard]] bool WriteM4aWithHollowCover(const std::string& path, const M4aSpec& spec, uint32_t coverBytes);

// Writes the file of `spec` (the movie box last) with a second sample-size
// table in its audio track, of `samples` (even) 4-bit sizes that are a hole
// in the file: a table the demuxer takes in place of the first, holding each
// size in 4 bytes.
[[nodiscard]] bool WriteM4aWithHollowSampleTable(const std::string& path, const M4aSpec& spec,
                                                 uint32_t samples);

} // namespace testsupport
