#include "foldertree/shell/ItemIdList.h"

#include <string_view>

namespace pgv {
namespace {

constexpr size_t kSizeFieldBytes = 2;
// Size field, kind, flags and the payload's NUL.
constexpr size_t kEntryOverhead = kSizeFieldBytes + 3;
constexpr size_t kMaxEntrySize = 0xFFFF;
constexpr uint8_t kKnownFlags = IF_HIDDEN | IF_SYMLINK;

size_t EntrySize(const uint8_t* at) {
    return static_cast<size_t>(at[0]) | static_cast<size_t>(at[1]) << 8;
}

bool IsCleanName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// "/" or "/a/b": no empty, "." or ".." component and no trailing '/'.
bool IsCleanAbsolutePath(std::string_view path) {
    if (path.empty() || path[0] != '/')
        return false;
    if (path.size() == 1)
        return true;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (!IsCleanName(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

bool IsValidPayload(const ItemId& id) {
    switch (id.kind) {
    case IK_VIRTUAL:
        return id.payload.size() == 1 && id.payload[0] >= VI_HOME && id.payload[0] <= VI_TRASH;
    case IK_VOLUME:
        return IsCleanAbsolutePath(id.payload);
    case IK_FOLDER:
    case IK_FILE:
        return IsCleanName(id.payload);
    default:
        return false;
    }
}

// Whether `id` may follow `previous` (null for the first entry).
bool MayFollow(const ItemId* previous, const ItemId& id) {
    if (!previous)
        return id.kind != IK_VOLUME;
    if (previous->kind == IK_FILE || IsVirtual(*previous, VI_TRASH))
        return false;
    if (IsVirtual(*previous, VI_COMPUTER))
        return id.kind == IK_VOLUME;
    return id.kind == IK_FOLDER || id.kind == IK_FILE;
}

// Reads the entry at `at` (of `available` bytes); its size in `*size`, 0
// for the terminator.
bool ReadEntry(const uint8_t* at, size_t available, ItemId* id, size_t* size) {
    if (available < kSizeFieldBytes)
        return false;
    size_t entry = EntrySize(at);
    *size = entry;
    if (entry == 0)
        return true;
    if (entry < kEntryOverhead + 1 || entry > available || at[entry - 1] != 0)
        return false;
    id->kind = at[2];
    id->flags = at[3];
    id->payload.assign(reinterpret_cast<const char*>(at + 4), entry - kEntryOverhead);
    return (id->flags & ~kKnownFlags) == 0 && id->payload.find('\0') == std::string::npos &&
           IsValidPayload(*id);
}

// Reads entries up to the terminator, which must end the bytes exactly;
// `placed` also checks where each kind stands.
bool ReadList(const uint8_t* data, size_t size, bool placed, ItemIds* ids) {
    ItemIds read;
    size_t offset = 0;
    for (;;) {
        ItemId id;
        size_t entry = 0;
        if (!ReadEntry(data + offset, size - offset, &id, &entry))
            return false;
        if (entry == 0)
            break;
        if (placed && !MayFollow(read.empty() ? nullptr : &read.back(), id))
            return false;
        read.push_back(std::move(id));
        offset += entry;
    }
    if (offset + kSizeFieldBytes != size)
        return false;
    *ids = std::move(read);
    return true;
}

} // namespace

ItemId VirtualId(VirtualItem item) {
    return ItemId{IK_VIRTUAL, 0, std::string(1, static_cast<char>(item))};
}

ItemId VolumeId(std::string mountPoint) {
    return ItemId{IK_VOLUME, 0, std::move(mountPoint)};
}

ItemId NameId(ItemKind kind, std::string name, uint8_t flags) {
    return ItemId{kind, flags, std::move(name)};
}

bool IsVirtual(const ItemId& id, VirtualItem item) {
    return id.kind == IK_VIRTUAL && id.payload.size() == 1 && static_cast<uint8_t>(id.payload[0]) == item;
}

bool SameItem(const ItemId& a, const ItemId& b) {
    return a.kind == b.kind && a.payload == b.payload;
}

bool SameItems(const ItemIds& a, const ItemIds& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!SameItem(a[i], b[i]))
            return false;
    }
    return true;
}

bool DecodeItemIdList(const uint8_t* data, size_t size, ItemIds* ids) {
    return ReadList(data, size, true, ids);
}

bool DecodeRelativeItemId(const uint8_t* data, size_t size, ItemId* id) {
    size_t entry = 0, end = 0;
    ItemId read, none;
    if (!ReadEntry(data, size, &read, &entry) || entry == 0)
        return false;
    if (!ReadEntry(data + entry, size - entry, &none, &end) || end != 0 || entry + kSizeFieldBytes != size)
        return false;
    *id = std::move(read);
    return true;
}

bool MeasureItemIdList(const uint8_t* data, size_t size, size_t* length) {
    size_t offset = 0;
    while (offset + kSizeFieldBytes <= size) {
        size_t entry = EntrySize(data + offset);
        if (entry == 0) {
            *length = offset + kSizeFieldBytes;
            return true;
        }
        if (entry < kEntryOverhead + 1 || entry > size - offset)
            return false;
        offset += entry;
    }
    return false;
}

bool IsWellFormedItemIdList(const uint8_t* data, size_t size) {
    ItemIds ids;
    return ReadList(data, size, false, &ids);
}

bool IsValidItemIdList(const uint8_t* data, size_t size) {
    ItemIds ids;
    return DecodeItemIdList(data, size, &ids);
}

ItemIdList EncodeItemIdList(const ItemIds& ids) {
    ItemIdList list;
    for (const ItemId& id : ids) {
        size_t entry = id.payload.size() + kEntryOverhead;
        if (entry > kMaxEntrySize)
            entry = kMaxEntrySize;
        list.push_back(static_cast<uint8_t>(entry & 0xFF));
        list.push_back(static_cast<uint8_t>(entry >> 8));
        list.push_back(id.kind);
        list.push_back(id.flags);
        list.insert(list.end(), id.payload.begin(), id.payload.begin() + (entry - kEntryOverhead));
        list.push_back(0);
    }
    list.push_back(0);
    list.push_back(0);
    return list;
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
