// The peer transfer sub-protocol: small request and response messages
// (big-endian) between a receiver and a sender on one connection. Each is
// u32 mesgLen (the whole message, this field included), u32 version 1, u32
// type, u16 name count, that many u16-prefixed names (always the one name
// "simple"), then the payload of its type. The raw bytes announced by a tag
// or data header follow that header unframed, then a checksum message.
//
// Messages come from an untrusted peer, so the reader takes nothing on
// trust: the length must be exactly what the type's payload needs, which
// bounds every message to a few bytes and refuses a huge or tiny length as
// soon as its first bytes are in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Buf;

enum TransferMessageType : uint32_t {
    FT_REQUEST_TAG = 1,  // receiver -> sender: no payload
    FT_TAG_HEADER = 2,   // sender -> receiver: i64 length of the tag region
    FT_REQUEST_DATA = 3, // receiver -> sender: i64 start in the audio data, i64 count (-1: the rest)
    FT_DATA_HEADER = 4,  // sender -> receiver: i64 length of the data
    FT_CHECKSUM = 5,     // sender -> receiver: i64 bytes in the phase, u16-prefixed MD5 hex text
};

constexpr uint32_t kTransferVersion = 1;
constexpr char kTransferName[] = "simple";
// mesgLen, version, type, name count and the one name.
constexpr uint32_t kTransferHeaderBytes = 22;
constexpr int kMaxTransferNames = 100;
constexpr int kMaxTransferNameBytes = 1023;
// The digest text a checksum may carry (32 hex digits are sent).
constexpr int kMaxTransferDigestChars = 100;
// The largest and smallest mesgLen of any message.
constexpr uint32_t kMaxTransferMessageBytes = kTransferHeaderBytes + 8 + 2 + kMaxTransferDigestChars;
constexpr uint32_t kMinTransferMessageBytes = kTransferHeaderBytes;

struct TransferMessage {
    uint32_t type = 0;
    // FT_TAG_HEADER, FT_DATA_HEADER: bytes that follow.
    int64_t length = 0;
    // FT_REQUEST_DATA: where to start and how many (-1: to the end).
    int64_t start = 0;
    int64_t count = 0;
    // FT_CHECKSUM: bytes in the phase and their MD5 as hex text.
    int64_t hashedBytes = 0;
    std::string digest;
};

enum TransferRead {
    TR_INCOMPLETE, // not all there yet; nothing consumed
    TR_MESSAGE,    // one message read and consumed whole
    TR_BAD,        // malformed (logged); nothing consumed, the connection must end
};

// Whether the next message is all there, without reading it; TR_BAD as soon
// as its framing is refused (logged).
[[nodiscard]] TransferRead PeekTransferMessage(Buf& in);

// Reads the next message from `in` once all of it is there.
[[nodiscard]] TransferRead ReadTransferMessage(Buf& in, TransferMessage& message);

// The message's whole length on the wire.
uint32_t TransferMessageBytes(const TransferMessage& message);

// Queues the whole message, or nothing (false) when it does not fit or a
// checksum's digest text is too long.
[[nodiscard]] bool WriteTransferMessage(Buf& out, const TransferMessage& message);

// The type's name for log lines ("FT_TAG_HEADER"), or "unknown".
const char* TransferMessageName(uint32_t type);
