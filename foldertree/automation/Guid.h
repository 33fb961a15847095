// 128-bit class and interface ids and their text form
// "{B16CCC43-CED6-4B9A-A61F-45478BAB55DB}".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ax {

struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

constexpr bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3)
        return false;
    for (int i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i])
            return false;
    }
    return true;
}

// Parses the braced text form (hex digits in either case); false for anything
// else.
[[nodiscard]] bool ParseGuid(std::string_view text, Guid* out);
// The braced form with upper-case digits.
std::string FormatGuid(const Guid& guid);

} // namespace ax
