#include "tests/support/testserver/Frame.h"

#include "tests/support/testserver/WireWriter.h"

namespace testsupport {
namespace {

uint16_t PeekU16(const std::string& bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[offset]) << 8 |
                                 static_cast<uint8_t>(bytes[offset + 1]));
}

} // namespace

std::string EncodeFrame(uint16_t type, std::string_view payload) {
    WireWriter out;
    out.U16(kFrameMagic);
    out.U16(static_cast<uint16_t>(payload.size() + kFrameLengthOverhead));
    out.U16(type);
    out.Bytes(payload);
    return out.Take();
}

FrameReader::Result FrameReader::Next(Frame& frame) {
    if (m_fault != FR_NEED_MORE)
        return m_fault;
    if (m_pending.size() < kFrameHeaderBytes)
        return FR_NEED_MORE;
    uint16_t magic = PeekU16(m_pending, 0);
    if (magic != kFrameMagic) {
        m_badMagic = magic;
        return m_fault = FR_BAD_MAGIC;
    }
    uint16_t length = PeekU16(m_pending, 2);
    if (length < kFrameLengthOverhead)
        return m_fault = FR_BAD_LENGTH;
    size_t whole = size_t(length) + 2;
    if (m_pending.size() < whole)
        return FR_NEED_MORE;
    frame.declaredLength = length;
    frame.type = PeekU16(m_pending, 4);
    frame.payload.assign(m_pending, kFrameHeaderBytes, whole - kFrameHeaderBytes);
    m_pending.erase(0, whole);
    return FR_FRAME;
}

} // namespace testsupport
