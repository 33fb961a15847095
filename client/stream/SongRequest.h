// What a song request asks for beyond the song itself: Ogg transcoding and
// its quality, and where the body starts ("Seek-Percent", "Range" or
// "Source-Range").
#pragma once

#include "client/stream/Encoder.h"
#include "client/stream/HttpRequest.h"

#include <cstdint>
#include <string_view>

struct TranscodeOptions {
    bool transcode = false;
    // Vorbis quality in tenths.
    int quality = Encoder::kDefaultQuality;
};

// "os=ogg" asks for Ogg; only then is "q" read (a value without a number is
// 0), clamped to the encoder's range.
TranscodeOptions ReadTranscodeOptions(const HttpRequest& request);

// The first "Seek-Percent" header with a number; -1 when there is none.
float GetSeekPercent(const HttpRequest& request);

// The first number of the first "Range" or "Source-Range" header that has
// one ("bytes=1000-" gives 1000; "bytes=-500" gives none); -1 when there is
// none. A value without '=' ends the search.
int64_t GetRangeStart(const HttpRequest& request);

// Moves the start of a direct MP3 body: by a percentage 0 <= p < 100 of the
// audio (taken in single precision, as players compute it), else by a range
// start 0 < r < fileLength counted from the audio start. Returns the new
// start; a percentage never moves it past fileLength.
int64_t ApplySeek(int64_t audioStart, int64_t fileLength, float percent, int64_t rangeStart);

// Whether a percentage or a range start asks for a seek at all.
bool IsSeekPercent(float percent);
bool IsRangeStart(int64_t rangeStart, int64_t fileLength);
