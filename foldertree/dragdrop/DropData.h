// The byte forms of what a drag carries, read within bounds: a block from
// another program that does not hold together reads as nothing.
//
// CF_HDROP: a 20-byte header (the offset of the name list, a drop point,
// the non-client flag, the wide flag), then each name with its terminating
// zero, then one more zero. Narrow names are UTF-8; wide ones UTF-16LE.
// CF_TEXT: the text and its terminating zero.
// Shell IDList Array: a 32-bit count n, n + 1 offsets, the absolute list of
// the parent folder at the first offset and each item's list, relative to
// the parent, at the others (all numbers little-endian).
#pragma once

#include "foldertree/shell/ItemIdList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pgv {

constexpr uint32_t kDropFilesHeaderBytes = 20;

// Narrow names, the non-client flag set.
std::vector<uint8_t> EncodeDropFiles(const std::vector<std::string>& names);
// The names of a block; false (and no names) when the list's offset lies
// outside the block or inside the header, a name runs past the end or the
// list lacks its final zero.
bool DecodeDropFiles(const uint8_t* data, size_t size, std::vector<std::string>* names);

std::vector<uint8_t> EncodeText(const std::string& text);
// The bytes before the first zero; false when the block has none.
bool DecodeText(const uint8_t* data, size_t size, std::string* text);

std::vector<uint8_t> EncodeShellIdList(const ItemIds& parent, const std::vector<ItemId>& children);
// The absolute lists of the items; false when a count or an offset points
// outside the block or a list is not one.
bool DecodeShellIdList(const uint8_t* data, size_t size, std::vector<ItemIds>* items);

} // namespace pgv
