#include "foldertree/shell/PidlText.h"

namespace pgv {

std::u16string EncodePidlText(const ItemIdList& list) {
    std::u16string text;
    text.reserve(list.size() * 2);
    for (uint8_t byte : list) {
        text += static_cast<char16_t>(u'a' + (byte >> 4));
        text += static_cast<char16_t>(u'a' + (byte & 0xF));
    }
    return text;
}

bool DecodePidlText(std::u16string_view text, ItemIdList* list) {
    if (text.size() % 2 != 0)
        return false;
    ItemIdList bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        char16_t high = text[i], low = text[i + 1];
        if (high < u'a' || high > u'p' || low < u'a' || low > u'p')
            return false;
        bytes.push_back(static_cast<uint8_t>((high - u'a') << 4 | (low - u'a')));
    }
    *list = std::move(bytes);
    return true;
}

} // namespace pgv
