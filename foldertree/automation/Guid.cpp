#include "foldertree/automation/Guid.h"

namespace ax {
namespace {

constexpr size_t kGuidTextLength = 38;
// Offsets of the hex pairs of the 16 bytes in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
constexpr int kPairOffsets[16] = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool ParseGuid(std::string_view text, Guid* out) {
    if (text.size() != kGuidTextLength || text.front() != '{' || text.back() != '}')
        return false;
    if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-')
        return false;
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) {
        int high = HexValue(text[kPairOffsets[i]]);
        int low = HexValue(text[kPairOffsets[i] + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
    }
    out->data1 = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
                 static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
    out->data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    out->data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        out->data4[i] = bytes[8 + i];
    return true;
}

std::string FormatGuid(const Guid& guid) {
    static const char kDigits[] = "0123456789ABCDEF";
    uint8_t bytes[16] = {static_cast<uint8_t>(guid.data1 >> 24), static_cast<uint8_t>(guid.data1 >> 16),
                         static_cast<uint8_t>(guid.data1 >> 8),  static_cast<uint8_t>(guid.data1),
                         static_cast<uint8_t>(guid.data2 >> 8),  static_cast<uint8_t>(guid.data2),
                         static_cast<uint8_t>(guid.data3 >> 8),  static_cast<uint8_t>(guid.data3)};
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = guid.data4[i];
    std::string text = "{00000000-0000-0000-0000-000000000000}";
    for (int i = 0; i < 16; ++i) {
        text[kPairOffsets[i]] = kDigits[bytes[i] >> 4];
        text[kPairOffsets[i] + 1] = kDigits[bytes[i] & 15];
    }
    return text;
}

} // namespace ax
