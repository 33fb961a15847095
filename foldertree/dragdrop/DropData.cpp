#include "foldertree/dragdrop/DropData.h"

#include "foldertree/automation/Utf16.h"

namespace pgv {
namespace {

constexpr uint32_t kNonClientFlag = 1;
constexpr size_t kOffsetFieldBytes = 4;
// More items than a drag of one tree ever carries; a count beyond it is
// not a list of ours.
constexpr uint32_t kMaxShellIdListItems = 1u << 16;

uint32_t ReadU32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

void AppendU32(std::vector<uint8_t>* bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes->push_back(static_cast<uint8_t>(value >> shift));
}

bool ReadNarrowNames(const uint8_t* data, size_t size, size_t at, std::vector<std::string>* names) {
    while (at < size) {
        size_t end = at;
        while (end < size && data[end] != 0)
            ++end;
        if (end == size)
            return false;
        if (end == at)
            return true;
        names->emplace_back(reinterpret_cast<const char*>(data + at), end - at);
        at = end + 1;
    }
    return false;
}

bool ReadWideNames(const uint8_t* data, size_t size, size_t at, std::vector<std::string>* names) {
    while (at + 1 < size) {
        std::u16string name;
        size_t end = at;
        for (; end + 1 < size; end += 2) {
            char16_t unit = static_cast<char16_t>(data[end] | data[end + 1] << 8);
            if (unit == 0)
                break;
            name += unit;
        }
        if (end + 1 >= size)
            return false;
        if (name.empty())
            return true;
        names->push_back(ax::Utf16ToUtf8(name));
        at = end + 2;
    }
    return false;
}

} // namespace

std::vector<uint8_t> EncodeDropFiles(const std::vector<std::string>& names) {
    std::vector<uint8_t> bytes;
    AppendU32(&bytes, kDropFilesHeaderBytes);
    AppendU32(&bytes, 0); // the drop point
    AppendU32(&bytes, 0);
    AppendU32(&bytes, kNonClientFlag);
    AppendU32(&bytes, 0); // narrow names
    for (const std::string& name : names) {
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
    }
    bytes.push_back(0);
    return bytes;
}

bool DecodeDropFiles(const uint8_t* data, size_t size, std::vector<std::string>* names) {
    names->clear();
    if (!data || size < kDropFilesHeaderBytes)
        return false;
    uint32_t offset = ReadU32(data);
    bool wide = ReadU32(data + 16) != 0;
    std::vector<std::string> read;
    if (offset < kDropFilesHeaderBytes || offset >= size ||
        !(wide ? ReadWideNames(data, size, offset, &read) : ReadNarrowNames(data, size, offset, &read)))
        return false;
    *names = std::move(read);
    return true;
}

std::vector<uint8_t> EncodeText(const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

bool DecodeText(const uint8_t* data, size_t size, std::string* text) {
    text->clear();
    for (size_t i = 0; data && i < size; ++i) {
        if (data[i] == 0) {
            text->assign(reinterpret_cast<const char*>(data), i);
            return true;
        }
    }
    return false;
}

std::vector<uint8_t> EncodeShellIdList(const ItemIds& parent, const std::vector<ItemId>& children) {
    std::vector<ItemIdList> lists = {EncodeItemIdList(parent)};
    for (const ItemId& child : children)
        lists.push_back(EncodeItemIdList({child}));
    std::vector<uint8_t> bytes;
    AppendU32(&bytes, static_cast<uint32_t>(children.size()));
    size_t offset = kOffsetFieldBytes * (lists.size() + 1);
    for (const ItemIdList& list : lists) {
        AppendU32(&bytes, static_cast<uint32_t>(offset));
        offset += list.size();
    }
    for (const ItemIdList& list : lists)
        bytes.insert(bytes.end(), list.begin(), list.end());
    return bytes;
}

bool DecodeShellIdList(const uint8_t* data, size_t size, std::vector<ItemIds>* items) {
    items->clear();
    if (!data || size < kOffsetFieldBytes)
        return false;
    uint32_t count = ReadU32(data);
    if (count > kMaxShellIdListItems || (static_cast<size_t>(count) + 2) * kOffsetFieldBytes > size)
        return false;
    std::vector<ItemIdList> lists;
    for (uint32_t i = 0; i <= count; ++i) {
        uint32_t offset = ReadU32(data + kOffsetFieldBytes * (i + 1));
        size_t length = 0;
        if (offset >= size || !MeasureItemIdList(data + offset, size - offset, &length))
            return false;
        lists.emplace_back(data + offset, data + offset + length);
    }
    ItemIds parent;
    if (!DecodeItemIdList(lists[0].data(), lists[0].size(), &parent))
        return false;
    std::vector<ItemIds> read;
    for (size_t i = 1; i < lists.size(); ++i) {
        // The item's absolute list is the parent's entries followed by its own.
        ItemIdList joined(lists[0].begin(), lists[0].end() - 2);
        joined.insert(joined.end(), lists[i].begin(), lists[i].end());
        ItemIds item;
        if (lists[i].size() <= 2 || !DecodeItemIdList(joined.data(), joined.size(), &item))
            return false;
        read.push_back(std::move(item));
    }
    *items = std::move(read);
    return true;
}

} // namespace pgv
