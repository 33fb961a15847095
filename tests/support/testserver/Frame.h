// The frame every message travels in, all big-endian: u16 magic 0xDEED,
// u16 length (payload + 4: it counts the length and type fields, not the
// magic), u16 type, payload. A whole frame is length + 2 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

constexpr uint16_t kFrameMagic = 0xDEED;
constexpr size_t kFrameHeaderBytes = 6;
// What the length field counts besides the payload.
constexpr uint16_t kFrameLengthOverhead = 4;
// Magic, length and type before `payload`. A payload above 65531 bytes has
// its length cut to 16 bits, as a faulty sender would; tests that want a
// wrong length build the bytes themselves.
std::string EncodeFrame(uint16_t type, std::string_view payload);

struct Frame {
    uint16_t type = 0;
    // The length field as sent (payload + 4 for a sound frame).
    uint16_t declaredLength = 0;
    std::string payload;
};

// Cuts a byte stream into frames. After a bad magic or a length below 4 the
// stream cannot be trusted any more; the reader keeps reporting the fault.
class FrameReader {
  public:
    enum Result { FR_FRAME, FR_NEED_MORE, FR_BAD_MAGIC, FR_BAD_LENGTH };

    void Append(std::string_view bytes) { m_pending.append(bytes); }
    Result Next(Frame& frame);

    size_t PendingBytes() const { return m_pending.size(); }
    // The first two bytes where a magic was expected (for the report).
    uint16_t BadMagic() const { return m_badMagic; }

  private:
    std::string m_pending;
    Result m_fault = FR_NEED_MORE;
    uint16_t m_badMagic = 0;
};

} // namespace testsupport
