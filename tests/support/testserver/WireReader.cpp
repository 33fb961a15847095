#include "tests/support/testserver/WireReader.h"

namespace testsupport {

bool WireReader::Take(const char* field, size_t count, const char** bytes) {
    if (Failed())
        return false;
    if (count > Remaining()) {
        Fail("body too short for " + std::string(field) + ": needs " + std::to_string(count) +
             " bytes at offset " + std::to_string(m_offset) + ", " + std::to_string(Remaining()) + " left");
        return false;
    }
    *bytes = m_body.data() + m_offset;
    m_offset += count;
    return true;
}

void WireReader::Fail(const std::string& why) {
    if (!Failed())
        m_error = why;
}

bool WireReader::U8(const char* field, uint8_t& value) {
    const char* bytes = nullptr;
    if (!Take(field, 1, &bytes))
        return false;
    value = static_cast<uint8_t>(bytes[0]);
    return true;
}

bool WireReader::Bool(const char* field, bool& value) {
    uint8_t byte = 0;
    if (!U8(field, byte))
        return false;
    value = byte != 0;
    return true;
}

bool WireReader::U16(const char* field, uint16_t& value) {
    const char* bytes = nullptr;
    if (!Take(field, 2, &bytes))
        return false;
    value = static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) << 8 | static_cast<uint8_t>(bytes[1]));
    return true;
}

bool WireReader::U32(const char* field, uint32_t& value) {
    const char* bytes = nullptr;
    if (!Take(field, 4, &bytes))
        return false;
    value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<uint8_t>(bytes[i]);
    return true;
}

bool WireReader::U64(const char* field, uint64_t& value) {
    const char* bytes = nullptr;
    if (!Take(field, 8, &bytes))
        return false;
    value = 0;
    for (int i = 0; i < 8; ++i)
        value = value << 8 | static_cast<uint8_t>(bytes[i]);
    return true;
}

bool WireReader::Bytes(const char* field, size_t count, std::string& bytes) {
    const char* start = nullptr;
    if (!Take(field, count, &start))
        return false;
    bytes.assign(start, count);
    return true;
}

bool WireReader::String(const char* field, std::string& text) {
    uint16_t length = 0;
    return U16(field, length) && Bytes(field, length, text);
}

} // namespace testsupport
