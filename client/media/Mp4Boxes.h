// The boxes of an MPEG-4 file, walked by their headers: where the media data
// ("mdat") begins (the demuxer does not tell), and the headers the tag-list
// walk (Mp4ItemLists) reads.
#pragma once

#include "client/media/ByteReader.h"

#include <cstdint>
#include <cstring>

// One box header: u32 size and a 4-character type; size 1: a u64 size
// follows and the header is 16 bytes; size 0: the box runs to the end of
// what holds it.
struct Mp4Box {
    static constexpr uint64_t kHeaderBytes = 8;
    static constexpr uint64_t kLargeHeaderBytes = 16;

    uint64_t offset = 0;
    uint64_t headerBytes = 0;
    // Header included, as written (or as far as the end for size 0): it may
    // be below the header or run past the end.
    uint64_t size = 0;
    bool runsToEnd = false;
    char type[4] = {};

    bool IsA(const char (&name)[5]) const { return memcmp(type, name, 4) == 0; }
    uint64_t PayloadStart() const { return offset + headerBytes; }
    uint64_t End() const { return offset + size; }
};

// The header of the box at `position` in what ends at `end`; false when it
// cannot be read whole before `end`.
[[nodiscard]] bool ReadBoxHeader(const ByteReader& read, uint64_t position, uint64_t end, Mp4Box& box);

// Whether the box looked for must lie whole inside the file, or may run past
// its end, as the media data of a partly received file do.
enum Mp4BoxExtent { MP4_BOX_WHOLE, MP4_BOX_MAY_BE_CUT };

// Walks the top-level boxes of a file of `fileSize` bytes and gives the first
// box of `type`. The walk stops at a size below the header or past the end
// (the box looked for may run past the end with MP4_BOX_MAY_BE_CUT; its
// header must still be there whole).
[[nodiscard]] bool FindTopLevelBox(const ByteReader& read, uint64_t fileSize, const char (&type)[5],
                                   Mp4Box& box, Mp4BoxExtent extent = MP4_BOX_WHOLE);

// The same, giving where the box's payload starts.
[[nodiscard]] bool FindTopLevelBox(const ByteReader& read, uint64_t fileSize, const char (&type)[5],
                                   uint64_t& payloadStart, Mp4BoxExtent extent = MP4_BOX_WHOLE);

// The same over an open file.
[[nodiscard]] bool FindTopLevelBoxInFile(int fd, uint64_t fileSize, const char (&type)[5],
                                         uint64_t& payloadStart, Mp4BoxExtent extent = MP4_BOX_WHOLE);
