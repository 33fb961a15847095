// Item-id lists: the byte form of a position in the folder namespace. Each
// entry is a 16-bit little-endian size (the size field included), a kind
// byte, a flags byte and a NUL-terminated payload; an entry size of 0 ends
// the list. The empty list (the terminator alone) is the desktop.
//
//   kind 0x1F  virtual item: payload is one byte, 1 Home, 2 Computer, 3 Trash
//   kind 0x2F  volume (only under Computer): payload is its mount point
//   kind 0x31  folder, 0x32 file: payload is the raw file-name bytes
//
// Lists are persisted, handed to hosts and split, so they stay bytes; every
// list that arrives from outside goes through DecodeItemIdList.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pgv {

using ItemIdList = std::vector<uint8_t>;

enum ItemKind : uint8_t {
    IK_VIRTUAL = 0x1F,
    IK_VOLUME = 0x2F,
    IK_FOLDER = 0x31,
    IK_FILE = 0x32,
};

enum ItemFlag : uint8_t {
    IF_HIDDEN = 1,
    IF_SYMLINK = 2,
};

enum VirtualItem : uint8_t {
    VI_HOME = 1,
    VI_COMPUTER = 2,
    VI_TRASH = 3,
};

// One decoded entry.
struct ItemId {
    uint8_t kind = IK_FOLDER;
    uint8_t flags = 0;
    std::string payload;

    bool operator==(const ItemId&) const = default;
};
using ItemIds = std::vector<ItemId>;

ItemId VirtualId(VirtualItem item);
ItemId VolumeId(std::string mountPoint);
ItemId NameId(ItemKind kind, std::string name, uint8_t flags);
bool IsVirtual(const ItemId& id, VirtualItem item);
// The same item: kind and payload equal (flags are a cache of attributes).
bool SameItem(const ItemId& a, const ItemId& b);
bool SameItems(const ItemIds& a, const ItemIds& b);

// Decodes a whole list; false when it is not one: an entry that runs past
// the end, bytes after the terminator, an unknown kind or flag, a payload
// without its NUL or with one inside, a name that is empty, "." or ".." or
// holds '/', a mount point that is not a clean absolute path, or an entry
// where its kind cannot stand (virtual items first, volumes only under
// Computer, nothing under Trash or a file).
[[nodiscard]] bool DecodeItemIdList(const uint8_t* data, size_t size, ItemIds* ids);
bool IsValidItemIdList(const uint8_t* data, size_t size);
// A relative list: exactly one entry (of any kind) and the terminator.
[[nodiscard]] bool DecodeRelativeItemId(const uint8_t* data, size_t size, ItemId* id);
// The length of the list that starts at `data` (its terminator included)
// within `size` bytes; false when an entry is too short or the list runs
// past them.
[[nodiscard]] bool MeasureItemIdList(const uint8_t* data, size_t size, size_t* length);
// Whether the bytes are entries that each read cleanly, followed by the
// terminator at exactly the end, wherever the entries may stand (a list
// relative to some folder passes).
bool IsWellFormedItemIdList(const uint8_t* data, size_t size);
ItemIdList EncodeItemIdList(const ItemIds& ids);
// Number of entries of a valid list.
size_t ItemIdCount(const ItemIdList& list);

} // namespace pgv
