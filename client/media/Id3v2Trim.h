// An ID3v2 tag too large to read whole, cut down to what can be used: its
// frames are walked by their headers alone, frames too large to use are
// skipped unread, and the others are copied behind a header of the new size.
// TagLib then reads the copy in place of the tag (Mp3TagFile), so a tag that
// declares hundreds of megabytes of picture costs a few reads.
#pragma once

#include "client/media/ByteReader.h"
#include "client/media/FileMetaData.h"

#include <cstdint>
#include <string>

struct Id3v2Limits {
    // Tags of at most this many bytes, header included, are read whole.
    uint64_t wholeTagBytes;
    // Frames with more bytes than this after their header are skipped.
    uint64_t frameBytes;
};

// A tag of four of the largest cover pictures taken is read whole; a frame
// of more than twice that picture size (unsynchronisation can double it)
// holds no picture that would be taken, nor text worth keeping.
inline constexpr Id3v2Limits kId3v2Limits{4 * FileMetaData::kMaxArtBytes, 2 * FileMetaData::kMaxArtBytes};

// For the tag of `tagBytes` (header included, as readID3v2Head gives it) at
// the file's start: false when it is read whole. Otherwise true, with
// `trimmed` holding the tag's header, its size the kept frames' and without
// extended header and footer, then the frames that are no larger than the
// limit, in order, as long as the copy stays within the whole-tag limit. The
// walk stops at padding, at a frame that runs past the tag, at anything it
// cannot read and after 4096 frames; a tag it cannot walk (ID3v2.2 or 2.3
// unsynchronised as a whole, a compressed ID3v2.2 tag, an unknown version)
// keeps no frame.
[[nodiscard]] bool TrimId3v2Tag(const ByteReader& read, uint64_t tagBytes, const Id3v2Limits& limits,
                                std::string& trimmed);
