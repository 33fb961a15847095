// Item-id lists: the byte form of a position in the shell namespace. Each
// entry starts with its 16-bit little-endian size (the size field included);
// an entry size of 0 ends the list. The empty list (the terminator alone)
// is the desktop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pgv {

using ItemIdList = std::vector<uint8_t>;

// True when `data` is a whole list: well-formed entries ending with the
// terminator exactly at `size`.
bool IsValidItemIdList(const uint8_t* data, size_t size);
// Number of entries of a valid list.
size_t ItemIdCount(const ItemIdList& list);

} // namespace pgv
