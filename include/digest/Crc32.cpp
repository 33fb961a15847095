#include "include/digest/Crc32.h"

#include <zlib.h>

#include <climits>

void Crc32::AddBytes(const void* data, size_t length) {
    const auto* bytes = static_cast<const Bytef*>(data);
    while (length > 0) {
        const uInt piece = length > UINT_MAX ? UINT_MAX : static_cast<uInt>(length);
        m_crc = static_cast<uint32_t>(crc32(m_crc, bytes, piece));
        bytes += piece;
        length -= piece;
    }
}

void Crc32::AddWide(const std::wstring& text) {
    for (wchar_t ch : text) {
        const auto code = static_cast<uint32_t>(ch);
        if (code > 0xFFFF && code <= 0x10FFFF) {
            const uint32_t value = code - 0x10000;
            AddU16(static_cast<uint16_t>(0xD800 + (value >> 10)));
            AddU16(static_cast<uint16_t>(0xDC00 + (value & 0x3FF)));
        } else {
            AddU16(static_cast<uint16_t>(code > 0x10FFFF ? 0xFFFD : code));
        }
    }
}

void Crc32::AddU16(uint16_t value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                    static_cast<unsigned char>(value >> 8)};
    AddBytes(bytes, sizeof bytes);
}

void Crc32::AddU32(uint32_t value) {
    AddU16(static_cast<uint16_t>(value));
    AddU16(static_cast<uint16_t>(value >> 16));
}

void Crc32::AddU64(uint64_t value) {
    AddU32(static_cast<uint32_t>(value));
    AddU32(static_cast<uint32_t>(value >> 32));
}
