// The description of the control's font.
#pragma once

#include <cstdint>
#include <string>

namespace pgv {

constexpr int64_t kCurrencyUnit = 10000;

struct FontDesc {
    std::u16string name = u"Sans";
    int64_t sizeCy = 9 * kCurrencyUnit; // points x 10000
    int16_t weight = 400;
    int16_t charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool operator==(const FontDesc&) const = default;
};

} // namespace pgv
