#include "client/stream/TransferMessage.h"

#include "include/io/Buf.h"
#include "include/log/Logger.h"

#include <utility>

namespace {

constexpr int kLengthFieldBytes = 4;
constexpr int kTypeOffset = 8;
// mesgLen, version and type: what must be in before the type is known.
constexpr int kTypeKnownBytes = 12;
// The u16 length before a name or the digest text.
constexpr uint32_t kStringPrefixBytes = 2;
constexpr uint32_t kI64Bytes = 8;
// A checksum's payload without its digest text.
constexpr uint32_t kChecksumFixedBytes = kI64Bytes + kStringPrefixBytes;
constexpr int64_t kUnknownType = -1;
constexpr int64_t kVariablePayload = -2;

// The payload bytes of the fixed-size types.
int64_t FixedPayloadBytes(uint32_t type) {
    switch (type) {
    case FT_REQUEST_TAG:
        return 0;
    case FT_TAG_HEADER:
    case FT_DATA_HEADER:
        return kI64Bytes;
    case FT_REQUEST_DATA:
        return 2 * kI64Bytes;
    case FT_CHECKSUM:
        return kVariablePayload;
    default:
        return kUnknownType;
    }
}

// Big-endian reads over the bytes of one whole message; a read past its end
// fails and leaves the cursor failed.
class Cursor {
  public:
    Cursor(const uint8_t* bytes, uint32_t size) : m_bytes(bytes), m_size(size) {}

    uint64_t Number(uint32_t width) {
        if (!Fits(width))
            return 0;
        uint64_t value = 0;
        for (uint32_t i = 0; i < width; ++i)
            value = (value << 8) | m_bytes[m_pos + i];
        m_pos += width;
        return value;
    }
    int64_t I64() { return static_cast<int64_t>(Number(kI64Bytes)); }
    std::string Text(uint32_t length) {
        if (!Fits(length))
            return std::string();
        std::string text(reinterpret_cast<const char*>(m_bytes + m_pos), length);
        m_pos += length;
        return text;
    }
    void Skip(uint32_t count) {
        if (Fits(count))
            m_pos += count;
    }
    bool Ok() const { return m_ok; }
    uint32_t Pos() const { return m_pos; }

  private:
    bool Fits(uint32_t count) {
        if (m_ok && count <= m_size - m_pos)
            return true;
        m_ok = false;
        return false;
    }

    const uint8_t* m_bytes;
    uint32_t m_size;
    uint32_t m_pos = 0;
    bool m_ok = true;
};

// Names are ignored, but must lie inside the header exactly.
bool SkipNames(Cursor& cursor) {
    const uint32_t count = static_cast<uint32_t>(cursor.Number(kStringPrefixBytes));
    if (count > kMaxTransferNames) {
        MVLOG(LOG_ERR, "Transfer message has %u names", count);
        return false;
    }
    for (uint32_t i = 0; i < count && cursor.Ok(); ++i) {
        const uint32_t length = static_cast<uint32_t>(cursor.Number(kStringPrefixBytes));
        if (length > kMaxTransferNameBytes) {
            MVLOG(LOG_ERR, "Transfer message name of %u bytes", length);
            return false;
        }
        cursor.Skip(length);
    }
    if (!cursor.Ok() || cursor.Pos() != kTransferHeaderBytes) {
        MVLOG(LOG_ERR, "Transfer message names do not fill its header");
        return false;
    }
    return true;
}

// False when a checksum's digest text is too long.
bool ReadPayload(Cursor& cursor, TransferMessage& message) {
    switch (message.type) {
    case FT_TAG_HEADER:
    case FT_DATA_HEADER:
        message.length = cursor.I64();
        break;
    case FT_REQUEST_DATA:
        message.start = cursor.I64();
        message.count = cursor.I64();
        break;
    case FT_CHECKSUM: {
        message.hashedBytes = cursor.I64();
        const uint32_t length = static_cast<uint32_t>(cursor.Number(kStringPrefixBytes));
        if (length > kMaxTransferDigestChars) {
            MVLOG(LOG_ERR, "Transfer checksum text of %u bytes", length);
            return false;
        }
        message.digest = cursor.Text(length);
        break;
    }
    default:
        break;
    }
    return true;
}

} // namespace

TransferRead PeekTransferMessage(Buf& in) {
    const int available = in.GetNumUsedBytes();
    if (available < kLengthFieldBytes)
        return TR_INCOMPLETE;
    const uint32_t mesgLen = in.PeekNum(kLengthFieldBytes, 0);
    if (mesgLen < kMinTransferMessageBytes || mesgLen > kMaxTransferMessageBytes) {
        MVLOG(LOG_ERR, "Transfer message length %u is out of bounds", mesgLen);
        return TR_BAD;
    }
    if (available < kTypeKnownBytes)
        return TR_INCOMPLETE;
    const uint32_t type = in.PeekNum(kLengthFieldBytes, kTypeOffset);
    const int64_t payload = FixedPayloadBytes(type);
    if (payload == kUnknownType || (payload >= 0 && mesgLen != kTransferHeaderBytes + payload) ||
        (payload == kVariablePayload && mesgLen < kTransferHeaderBytes + kChecksumFixedBytes)) {
        MVLOG(LOG_ERR, "Transfer message of type %u with length %u", type, mesgLen);
        return TR_BAD;
    }
    return static_cast<uint32_t>(available) < mesgLen ? TR_INCOMPLETE : TR_MESSAGE;
}

TransferRead ReadTransferMessage(Buf& in, TransferMessage& message) {
    const TransferRead framed = PeekTransferMessage(in);
    if (framed != TR_MESSAGE)
        return framed;
    const uint32_t mesgLen = in.PeekNum(kLengthFieldBytes, 0);
    const uint32_t type = in.PeekNum(kLengthFieldBytes, kTypeOffset);

    Cursor cursor(in.GetReadPtr(), mesgLen);
    cursor.Skip(kTypeOffset);
    TransferMessage read;
    read.type = static_cast<uint32_t>(cursor.Number(kLengthFieldBytes));
    if (!SkipNames(cursor))
        return TR_BAD;
    if (!ReadPayload(cursor, read))
        return TR_BAD;
    if (!cursor.Ok() || cursor.Pos() != mesgLen) {
        MVLOG(LOG_ERR, "Transfer message of type %u does not fill its length %u", type, mesgLen);
        return TR_BAD;
    }
    (void)in.Consume(mesgLen);
    message = std::move(read);
    return TR_MESSAGE;
}

uint32_t TransferMessageBytes(const TransferMessage& message) {
    const int64_t payload = FixedPayloadBytes(message.type);
    if (payload >= 0)
        return kTransferHeaderBytes + static_cast<uint32_t>(payload);
    return kTransferHeaderBytes + kChecksumFixedBytes + static_cast<uint32_t>(message.digest.size());
}

bool WriteTransferMessage(Buf& out, const TransferMessage& message) {
    if (FixedPayloadBytes(message.type) == kUnknownType || message.digest.size() > kMaxTransferDigestChars)
        return false;
    const uint32_t total = TransferMessageBytes(message);
    if (static_cast<int64_t>(total) > out.GetNumFreeBytes())
        return false;
    out.WriteUInt32(total);
    out.WriteUInt32(kTransferVersion);
    out.WriteUInt32(message.type);
    out.WriteUInt16(1);
    out.WriteCString(kTransferName);
    switch (message.type) {
    case FT_TAG_HEADER:
    case FT_DATA_HEADER:
        out.WriteUInt64(static_cast<uint64_t>(message.length));
        break;
    case FT_REQUEST_DATA:
        out.WriteUInt64(static_cast<uint64_t>(message.start));
        out.WriteUInt64(static_cast<uint64_t>(message.count));
        break;
    case FT_CHECKSUM:
        out.WriteUInt64(static_cast<uint64_t>(message.hashedBytes));
        out.WriteString(message.digest);
        break;
    default:
        break;
    }
    return !out.HasFailed();
}

const char* TransferMessageName(uint32_t type) {
    switch (type) {
    case FT_REQUEST_TAG:
        return "FT_REQUEST_TAG";
    case FT_TAG_HEADER:
        return "FT_TAG_HEADER";
    case FT_REQUEST_DATA:
        return "FT_REQUEST_DATA";
    case FT_DATA_HEADER:
        return "FT_DATA_HEADER";
    case FT_CHECKSUM:
        return "FT_CHECKSUM";
    default:
        return "unknown";
    }
}
