// Builds text in a caller's fixed buffer: no allocation and no printf, so it
// may run inside a signal handler. Text that does not fit is cut.
#pragma once

#include <cstddef>
#include <cstdint>

class FixedText {
  public:
    // `capacity` includes room for the terminator.
    FixedText(char* buffer, size_t capacity) noexcept;

    FixedText& Append(const char* text) noexcept;
    FixedText& Append(const char* text, size_t length) noexcept;
    FixedText& AppendChar(char c) noexcept;
    // Decimal, zero-padded to `minDigits`.
    FixedText& AppendDecimal(int64_t value, int minDigits = 0) noexcept;
    FixedText& AppendUnsigned(uint64_t value) noexcept;
    // Lower-case hex without prefix.
    FixedText& AppendHex(uint64_t value) noexcept;
    // "0x" and lower-case hex.
    FixedText& AppendPointer(const void* pointer) noexcept;

    const char* c_str() const noexcept { return m_buffer; }
    size_t Length() const noexcept { return m_length; }

  private:
    FixedText& AppendDigits(uint64_t magnitude, int minDigits) noexcept;

    char* m_buffer;
    size_t m_capacity;
    size_t m_length = 0;
};
