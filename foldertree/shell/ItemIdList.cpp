#include "foldertree/shell/ItemIdList.h"

namespace pgv {
namespace {

constexpr size_t kSizeFieldBytes = 2;

size_t EntrySize(const uint8_t* at) {
    return static_cast<size_t>(at[0]) | static_cast<size_t>(at[1]) << 8;
}

} // namespace

bool IsValidItemIdList(const uint8_t* data, size_t size) {
    size_t offset = 0;
    while (offset + kSizeFieldBytes <= size) {
        size_t entry = EntrySize(data + offset);
        if (entry == 0)
            return offset + kSizeFieldBytes == size;
        // An entry holds its size field and at least one byte.
        if (entry <= kSizeFieldBytes || entry > size - offset)
            return false;
        offset += entry;
    }
    return false;
}

size_t ItemIdCount(const ItemIdList& list) {
    size_t count = 0;
    size_t offset = 0;
    while (offset + kSizeFieldBytes <= list.size()) {
        size_t entry = EntrySize(list.data() + offset);
        if (entry == 0)
            break;
        ++count;
        offset += entry;
    }
    return count;
}

} // namespace pgv
