// Big-endian reader over one message body. It never reads past the body: a
// field that does not fit fails the reader, and every later read fails too,
// so a decoder checks once at the end and names the first field that was
// short.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

class WireReader {
  public:
    explicit WireReader(std::string_view body) : m_body(body) {}

    // Each read names its field, used in the failure text.
    bool U8(const char* field, uint8_t& value);
    bool Bool(const char* field, bool& value);
    bool U16(const char* field, uint16_t& value);
    bool U32(const char* field, uint32_t& value);
    bool U64(const char* field, uint64_t& value);
    bool Bytes(const char* field, size_t count, std::string& bytes);
    // u16 byte count, then the bytes.
    bool String(const char* field, std::string& text);

    // Fails the reader with a text of the caller's (a value out of range).
    void Fail(const std::string& why);

    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }
    size_t Offset() const { return m_offset; }
    size_t Remaining() const { return m_body.size() - m_offset; }

  private:
    bool Take(const char* field, size_t count, const char** bytes);

    std::string_view m_body;
    size_t m_offset = 0;
    std::string m_error;
};

} // namespace testsupport
