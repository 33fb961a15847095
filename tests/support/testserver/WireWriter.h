// Big-endian writer for the test server's messages. Deliberately separate
// from the program's byte buffer, so a fault in that buffer's encoding shows
// up as a mismatch instead of being mirrored on both ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

class WireWriter {
  public:
    void U8(uint8_t value);
    void Bool(bool value) { U8(value ? 1 : 0); }
    void U16(uint16_t value);
    void U32(uint32_t value);
    // High 32-bit word first.
    void U64(uint64_t value);
    void Bytes(std::string_view bytes) { m_data.append(bytes); }
    // u16 byte count, then the bytes. Texts of 65536 bytes or more cannot be
    // counted; they are cut so the count and the bytes still agree.
    void String(std::string_view text);

    const std::string& Data() const { return m_data; }
    std::string Take() { return std::move(m_data); }

  private:
    std::string m_data;
};

} // namespace testsupport
