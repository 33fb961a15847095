#include "foldertree/automation/Bstr.h"

#include "foldertree/automation/Utf16.h"

#include <cstdlib>
#include <cstring>

namespace ax {
namespace {

constexpr uint32_t kMaxBstrUnits = 0x3FFFFFFF;
constexpr size_t kPrefixBytes = sizeof(uint32_t);

} // namespace

BSTR AllocBstr(const char16_t* text, uint32_t length) {
    if (length > kMaxBstrUnits)
        return nullptr;
    size_t bytes = static_cast<size_t>(length) * sizeof(char16_t);
    auto* block = static_cast<uint8_t*>(std::malloc(kPrefixBytes + bytes + sizeof(char16_t)));
    if (!block)
        return nullptr;
    uint32_t byteLength = static_cast<uint32_t>(bytes);
    std::memcpy(block, &byteLength, kPrefixBytes);
    auto* units = reinterpret_cast<char16_t*>(block + kPrefixBytes);
    if (text)
        std::memcpy(units, text, bytes);
    else
        std::memset(units, 0, bytes);
    units[length] = 0;
    return units;
}

void FreeBstr(BSTR text) {
    if (text)
        std::free(reinterpret_cast<uint8_t*>(text) - kPrefixBytes);
}

uint32_t BstrLength(const char16_t* text) {
    if (!text)
        return 0;
    uint32_t byteLength;
    std::memcpy(&byteLength, reinterpret_cast<const uint8_t*>(text) - kPrefixBytes, kPrefixBytes);
    return byteLength / sizeof(char16_t);
}

Bstr Bstr::FromUtf8(std::string_view text) {
    return Bstr(Utf8ToUtf16(text));
}

std::string Bstr::ToUtf8() const {
    return Utf16ToUtf8(View());
}

} // namespace ax
