// The program's version as an ELF note of its executable, so that another
// program (the crash-report uploader) reads it from the file. The note's
// description is two 32-bit words, a.b.c.d packed as (a << 16 | b) and
// (c << 16 | d).
#pragma once

#include <cstdint>

constexpr char kVersionNoteOwner[] = "Melvane";
constexpr uint32_t kVersionNoteType = 1;

struct VersionNoteData {
    uint32_t nameSize;
    uint32_t descSize;
    uint32_t type;
    char name[sizeof kVersionNoteOwner];
    uint32_t words[2];
};
static_assert(sizeof kVersionNoteOwner % 4 == 0, "the note's name needs no padding");

constexpr VersionNoteData MakeVersionNote(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return VersionNoteData{sizeof kVersionNoteOwner,
                           2 * sizeof(uint32_t),
                           kVersionNoteType,
                           {'M', 'e', 'l', 'v', 'a', 'n', 'e', '\0'},
                           {(a << 16) | (b & 0xFFFF), (c << 16) | (d & 0xFFFF)}};
}
