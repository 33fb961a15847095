// The top-level boxes of an MPEG-4 file: where the media data ("mdat")
// begins. The demuxer does not tell, so the boxes are walked here.
#pragma once

#include "client/media/ByteReader.h"

#include <cstdint>

// Whether the box looked for must lie whole inside the file, or may run past
// its end, as the media data of a partly received file do.
enum Mp4BoxExtent { MP4_BOX_WHOLE, MP4_BOX_MAY_BE_CUT };

// Walks the top-level boxes of a file of `fileSize` bytes (u32 size and a
// 4-character type; size 1: a u64 size follows and the header is 16 bytes;
// size 0: the box runs to the end) and gives the payload start of the first
// box of `type`. The walk stops at a size below the header or past the end
// (the box looked for may run past the end with MP4_BOX_MAY_BE_CUT; its
// header must still be there whole).
[[nodiscard]] bool FindTopLevelBox(const ByteReader& read, uint64_t fileSize, const char (&type)[5],
                                   uint64_t& payloadStart, Mp4BoxExtent extent = MP4_BOX_WHOLE);

// The same over an open file.
[[nodiscard]] bool FindTopLevelBoxInFile(int fd, uint64_t fileSize, const char (&type)[5],
                                         uint64_t& payloadStart, Mp4BoxExtent extent = MP4_BOX_WHOLE);
