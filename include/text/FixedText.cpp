#include "include/text/FixedText.h"

FixedText::FixedText(char* buffer, size_t capacity) noexcept : m_buffer(buffer), m_capacity(capacity) {
    if (m_capacity > 0)
        m_buffer[0] = '\0';
}

FixedText& FixedText::AppendChar(char c) noexcept {
    if (m_length + 1 < m_capacity) {
        m_buffer[m_length++] = c;
        m_buffer[m_length] = '\0';
    }
    return *this;
}

FixedText& FixedText::Append(const char* text) noexcept {
    if (text) {
        while (*text && m_length + 1 < m_capacity)
            m_buffer[m_length++] = *text++;
        if (m_capacity > 0)
            m_buffer[m_length] = '\0';
    }
    return *this;
}

FixedText& FixedText::Append(const char* text, size_t length) noexcept {
    for (size_t i = 0; i < length; ++i)
        AppendChar(text[i]);
    return *this;
}

FixedText& FixedText::AppendDigits(uint64_t magnitude, int minDigits) noexcept {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n < minDigits && n < static_cast<int>(sizeof digits))
        digits[n++] = '0';
    while (n > 0)
        AppendChar(digits[--n]);
    return *this;
}

FixedText& FixedText::AppendDecimal(int64_t value, int minDigits) noexcept {
    if (value < 0)
        AppendChar('-');
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    return AppendDigits(magnitude, minDigits);
}

FixedText& FixedText::AppendUnsigned(uint64_t value) noexcept {
    return AppendDigits(value, 0);
}

FixedText& FixedText::AppendHex(uint64_t value) noexcept {
    static const char kHex[] = "0123456789abcdef";
    char digits[16];
    int n = 0;
    do {
        digits[n++] = kHex[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (n > 0)
        AppendChar(digits[--n]);
    return *this;
}

FixedText& FixedText::AppendPointer(const void* pointer) noexcept {
    Append("0x");
    return AppendHex(reinterpret_cast<uintptr_t>(pointer));
}
