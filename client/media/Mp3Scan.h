// What an MP3 file's own bytes say before any tag library reads it: the
// length of the ID3v2 tag at its start, whether an ID3v1 tag ends it, and
// where the first MPEG audio frame lies. Each reads through the descriptor's
// file position.
#pragma once

#include <cstdint>

// The ID3v2 tag's length including its 10-byte header; 0 when the file does
// not begin with one or its size is not a valid syncsafe number.
uint64_t readID3v2Head(int fd);

// The size the 10-byte ID3v2 header gives for the bytes behind it; false
// when it is no syncsafe number (neither FFmpeg nor TagLib then takes a tag).
[[nodiscard]] bool Id3v2BodyBytes(const unsigned char* header, uint64_t& bytes);

// 128 when the file ends in an ID3v1 tag, else 0.
uint64_t ReadId3v1Len(int fd);

// True when the 3 bytes look like an MPEG audio frame header: sync bits set,
// and neither version, layer nor bit-rate index the reserved value.
bool IsFrameHeader(const unsigned char* bytes);

// Looks for the first frame header in the 28,676 bytes from `start`, each
// tested with at least 124 bytes read after it; the bytes must all have been
// read in full blocks. Sets dataOffset and returns true when found.
[[nodiscard]] bool FindFrameSync(int fd, uint64_t start, uint64_t& dataOffset);
