// An ID3v2 tag too large to read whole, cut down to what can be used: its
// frames are walked by their headers alone, frames too large to use are
// skipped unread, and the others are copied behind a header of the new size.
// TagLib then reads the copy in place of the tag (Mp3TagFile), so a tag that
// declares hundreds of megabytes of picture costs a few reads. And where
// such tags lie, for the readers that skip them.
#pragma once

#include "client/media/ByteReader.h"
#include "client/media/TagLimits.h"

#include <cstdint>
#include <string>

// For the tag of `tagBytes` (header included, as readID3v2Head gives it)
// that `read` reads from its position 0: false when it is read whole. Otherwise true, with
// `trimmed` holding the tag's header, its size the kept frames' and without
// extended header and footer, then the frames that are no larger than the
// limit, in order, as long as the copy stays within the whole-tag limit. The
// walk stops at padding, at a frame that runs past the tag, at anything it
// cannot read and after 4096 frames; a tag it cannot walk (ID3v2.2 or 2.3
// unsynchronised as a whole, a compressed ID3v2.2 tag, an unknown version)
// keeps no frame.
[[nodiscard]] bool TrimId3v2Tag(const ByteReader& read, uint64_t tagBytes, const TagLimits& limits,
                                std::string& trimmed);

// Whether an ID3v2 header whose size field counts `bodyBytes` (the bytes
// after the header, a footer not counted) lies at `offset`.
[[nodiscard]] bool IsId3v2HeaderAt(const ByteReader& read, uint64_t offset, uint64_t bodyBytes);

// The end of the run of ID3v2 tags at `start`, as FFmpeg reads them before
// any demuxer does: one after another while a header follows ("ID3", no
// 0xFF for version or revision, no top bit in the size; a version 4 footer
// counted), each read whole, its pictures held; 4096 tags at most. `start`
// when no tag is there.
[[nodiscard]] uint64_t Id3v2RunEnd(const ByteReader& read, uint64_t start);
