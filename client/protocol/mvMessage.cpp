#include "client/protocol/mvMessage.h"

#include "include/io/Buf.h"
#include "include/log/Logger.h"

bool WriteHeader(Buf& out, const MesgHeader& mesg) {
    const uint64_t length = static_cast<uint64_t>(mesg.payloadLength) + kMesgLengthOverhead;
    if (length >= kMesgLengthLimit) {
        MVLOG(LOG_ERR, "Message of type %u with a payload of %u bytes cannot be framed",
              static_cast<unsigned>(mesg.type), mesg.payloadLength);
        return false;
    }
    // A lone magic would be taken for the start of a frame by the peer.
    if (out.GetNumFreeBytes() < kMesgHeaderBytes) {
        MVLOG(LOG_ERR, "No room for the header of a type %u message", static_cast<unsigned>(mesg.type));
        return false;
    }
    out.WriteUInt16(kMesgMagic);
    out.WriteUInt16(static_cast<uint16_t>(length));
    return out.WriteUInt16(mesg.type);
}

bool canHoldMesg(Buf& out, const MesgHeader& mesg) {
    // The free-byte count already leaves out the byte a Buf never writes.
    return static_cast<int64_t>(out.GetNumFreeBytes()) >=
           kMesgHeaderBytes + static_cast<int64_t>(mesg.payloadLength);
}

bool hasFullMesg(Buf& in, bool& badMessage) {
    badMessage = false;
    const int unread = in.GetNumUsedBytes();
    if (unread < kMesgHeaderBytes)
        return false;
    const uint32_t magic = in.PeekNum(2, 0);
    const uint32_t length = in.PeekNum(2, 2);
    if (magic != kMesgMagic) {
        MVLOG(LOG_ERR, "Did not find expected value in hasFullMesg, got %x instead", magic);
        badMessage = true;
        return false;
    }
    // A frame that could never be complete would stall the stream for good.
    if (length < kMesgLengthOverhead || static_cast<int>(length) + 2 > in.GetSize() - 1) {
        MVLOG(LOG_ERR, "Bad message length %u in hasFullMesg (buffer holds %i bytes)", length,
              in.GetSize() - 1);
        badMessage = true;
        return false;
    }
    if (unread < static_cast<int>(length) + 2)
        return false;
    in.Consume(2);
    return true;
}

void TransferId::Write(Buf& out) const {
    out.WriteUInt16(kWireBytes);
    out.WriteUInt32(word0);
    out.WriteUInt32(word1);
    out.WriteUInt32(word2);
    out.WriteUInt32(word3);
}

bool TransferId::Read(Buf& in) {
    if (in.GetNumUsedBytes() < static_cast<int>(sizeof(uint16_t) + kWireBytes)) {
        in.SetFailed();
        return false;
    }
    const uint16_t count = in.ReadUInt16();
    word0 = in.ReadUInt32();
    word1 = in.ReadUInt32();
    word2 = in.ReadUInt32();
    word3 = in.ReadUInt32();
    if (count != kWireBytes) {
        in.SetFailed();
        return false;
    }
    return true;
}

bool TransferId::operator==(const TransferId& other) const {
    return word0 == other.word0 && word1 == other.word1 && word2 == other.word2 && word3 == other.word3;
}

std::wstring TransferId::ToText() const {
    return std::to_wstring(word0) + L"-" + std::to_wstring(word1) + L"-" + std::to_wstring(word2) + L"-" +
           std::to_wstring(word3);
}
