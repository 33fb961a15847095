// A song file opened for demuxing as the tag readers read it: an MPEG-4 file
// through the view in which its item lists too large to read whole are cut
// down (Mp4ItemLists); an MP3 file from behind its ID3v2 tag when that is
// too large to read whole, wherever the tag library finds it (Mp3TagFile),
// since FFmpeg would hold a picture in it whole. The file is read through a
// descriptor of its own, so the caller's may close once this returns.
#pragma once

#include "platform/lib/ffmpeg/FormatInput.h"

#include <cstdint>
#include <string>

// Opens `input` on the file open as `fd`, of encType MP3 or AAC (as in
// FileMetaData; any other is read as it is). `name` names the file in
// TagLib's messages and for probing; the other arguments are
// FormatInput::Open's. FFmpeg's result.
[[nodiscard]] int OpenSongInput(platform::FormatInput& input, int fd, uint32_t encType,
                                const std::string& name, const char* forcedFormat = nullptr,
                                int64_t probeBytes = 0);
