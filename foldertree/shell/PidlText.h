// Item-id lists as text: each byte as two letters from 'a' to 'p', the
// high four bits first ("aaaa" is the empty list).
#pragma once

#include "foldertree/shell/ItemIdList.h"

#include <string>
#include <string_view>

namespace pgv {

std::u16string EncodePidlText(const ItemIdList& list);
// The bytes of `text`; false for an odd length or another letter. The
// bytes still have to be checked as a list.
bool DecodePidlText(std::u16string_view text, ItemIdList* list);

} // namespace pgv
