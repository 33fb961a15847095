// The frame every message to and from the central server travels in
// (big-endian): u16 magic 0xDEED, u16 length (payload + 4: the length and
// type fields and the payload), u16 type, payload. Also the 16-byte id that
// names a transfer on the wire.
#pragma once

#include <cstdint>
#include <string>

class Buf;

constexpr uint16_t kMesgMagic = 0xDEED;
// Bytes before the payload: magic, length, type.
constexpr int kMesgHeaderBytes = 6;
// The length field counts itself and the type field.
constexpr uint32_t kMesgLengthOverhead = 4;
// The length field must stay below this.
constexpr uint32_t kMesgLengthLimit = 64 * 1024;

struct MesgHeader {
    uint16_t type = 0;
    uint32_t payloadLength = 0;
};

// Writes magic, length and type; the caller writes the payload behind it.
// False, with nothing written, when the payload cannot be framed or the
// header does not fit.
bool WriteHeader(Buf& out, const MesgHeader& mesg);
// True when the whole frame (header and payload) fits in `out`'s free bytes.
// Every sender asks before it writes, so a frame is never written in part.
bool canHoldMesg(Buf& out, const MesgHeader& mesg);
// True when a whole frame lies unread; it then consumes the magic, leaving
// the read position at the length field. A bad magic, a length below 4 or a
// frame larger than `in` can ever hold sets `badMessage` (the caller closes
// the connection) and consumes nothing.
bool hasFullMesg(Buf& in, bool& badMessage);

// Four words, on the wire as u16 16 and then the words big-endian, word0
// first (18 bytes).
struct TransferId {
    static constexpr uint16_t kWireBytes = 16;

    uint32_t word0 = 0;
    uint32_t word1 = 0;
    uint32_t word2 = 0;
    uint32_t word3 = 0;

    void Write(Buf& out) const;
    // False when the count is not 16 or the bytes are short (the buffer's
    // failure flag is then set).
    bool Read(Buf& in);
    bool operator==(const TransferId& other) const;
    bool operator!=(const TransferId& other) const { return !(*this == other); }
    // "word0-word1-word2-word3" in unsigned decimal.
    std::wstring ToText() const;
};
