// The standard CRC-32 (reflected polynomial 0x04C11DB7, initial register and
// final XOR 0xFFFFFFFF: the CRC of zlib and PNG), fed piece by piece. Wide
// text goes in as UTF-16LE code units and integers little-endian, so the
// values are the same whatever the width of wchar_t.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Crc32 {
  public:
    void Reset() { m_crc = 0; }
    void AddBytes(const void* data, size_t length);
    // UTF-16LE code units, 2 bytes each (a surrogate pair for characters
    // beyond U+FFFF), no terminator.
    void AddWide(const std::wstring& text);
    void AddText(const std::string& text) { AddBytes(text.data(), text.size()); }
    void AddU8(uint8_t value) { AddBytes(&value, 1); }
    void AddU16(uint16_t value);
    void AddU32(uint32_t value);
    void AddU64(uint64_t value);
    uint32_t Value() const { return m_crc; }

  private:
    // zlib's running value: register XOR 0xFFFFFFFF, so 0 is the start.
    uint32_t m_crc = 0;
};
