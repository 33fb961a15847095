// The fuzzer's bytes read from the front, as a program of operations: past
// the end every number is 0 and every string empty, so a short input is a
// short program rather than an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_pos >= m_size; }
    size_t Remaining() const { return m_size - m_pos; }

    uint8_t Byte() { return Empty() ? 0 : m_data[m_pos++]; }
    uint16_t U16() { return static_cast<uint16_t>(Number(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Number(4)); }
    uint64_t U64() { return Number(8); }
    // Up to n bytes, fewer at the end of the input.
    std::string Bytes(size_t n) {
        const size_t take = n < Remaining() ? n : Remaining();
        std::string bytes(reinterpret_cast<const char*>(m_data + m_pos), take);
        m_pos += take;
        return bytes;
    }
    // A length byte, then that many bytes.
    std::string ShortString() { return Bytes(Byte()); }
    std::string Rest() { return Bytes(Remaining()); }

  private:
    uint64_t Number(int bytes) {
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | Byte();
        return value;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace fuzzsupport
