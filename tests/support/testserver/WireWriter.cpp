#include "tests/support/testserver/WireWriter.h"

namespace testsupport {

void WireWriter::U8(uint8_t value) {
    m_data.push_back(static_cast<char>(value));
}

void WireWriter::U16(uint16_t value) {
    U8(static_cast<uint8_t>(value >> 8));
    U8(static_cast<uint8_t>(value));
}

void WireWriter::U32(uint32_t value) {
    U16(static_cast<uint16_t>(value >> 16));
    U16(static_cast<uint16_t>(value));
}

void WireWriter::U64(uint64_t value) {
    U32(static_cast<uint32_t>(value >> 32));
    U32(static_cast<uint32_t>(value));
}

void WireWriter::String(std::string_view text) {
    constexpr size_t kMaxCounted = 0xFFFF;
    if (text.size() > kMaxCounted)
        text = text.substr(0, kMaxCounted);
    U16(static_cast<uint16_t>(text.size()));
    Bytes(text);
}

} // namespace testsupport
