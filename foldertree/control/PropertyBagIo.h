// The control's settings in a property bag, one named value each: numbers
// and flags as I4, I2 and BOOL, "rrr" as text, the root as a byte array
// holding the item-id list (empty for the desktop) and the font as the text
// "size x 10000;weight;charset;style flags;name".
#pragma once

#include "foldertree/automation/Interfaces.h"
#include "foldertree/control/PathgroveProps.h"

namespace pgv {

// Reads settings over the reset values of `*props` (the font starts from
// `*font`); a missing or unconvertible value keeps its reset value. E_FAIL
// when the bag is of another version or its root is refused (not a byte
// array, over the cap, or not an item-id list); the root is then the desktop.
ax::HRESULT LoadPropsFromBag(ax::IPropertyBag* bag, PathgroveProps* props, FontDesc* font);
ax::HRESULT SavePropsToBag(ax::IPropertyBag* bag, const PathgroveProps& props, const FontDesc& font);

// The font's bag text and back; false for text that is not one.
std::u16string FormatFontText(const FontDesc& font);
bool ParseFontText(std::u16string_view text, FontDesc* font);

} // namespace pgv
