// How much of a tag is read. A tag (an ID3v2 tag, an MPEG-4 item list) of at
// most wholeTagBytes is read whole. A larger one is cut down before any tag
// reader sees it: its items (frames) of more than itemBytes are skipped
// unread, and the others kept in order as long as they fit within
// wholeTagBytes; the readers never hold more than that.
#pragma once

#include "client/media/FileMetaData.h"

#include <cstdint>

struct TagLimits {
    uint64_t wholeTagBytes;
    uint64_t itemBytes;
};

// A tag of four of the largest cover pictures taken is read whole; an item
// of more than twice that picture size (unsynchronisation can double it)
// holds no picture that would be taken, nor text worth keeping.
inline constexpr TagLimits kTagLimits{4 * FileMetaData::kMaxArtBytes, 2 * FileMetaData::kMaxArtBytes};
