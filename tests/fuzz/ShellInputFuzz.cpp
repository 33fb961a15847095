// Feeds what the folder-tree control reads from files and from hosts: the
// headers of custom icon and bitmap files, the kernel's mount table and
// item-id lists. Each parser either refuses or gives what its callers rely
// on: image sides in range, clean volume mount points in order, and lists
// that encode back to exactly the bytes they came from.
#include "foldertree/shell/IconFile.h"
#include "foldertree/shell/ItemIdList.h"
#include "foldertree/shell/MountTable.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace pgv;

namespace {

constexpr int32_t kLargestIconSide = 256;

void CheckImages(const uint8_t* data, size_t size) {
    ImageHeader header;
    if (ParseIconHeader(data, size, 16, &header))
        FUZZ_CHECK(header.width >= 1 && header.width <= kLargestIconSide && header.height >= 1 &&
                   header.height <= kLargestIconSide);
    if (ParseBitmapHeader(data, size, &header))
        FUZZ_CHECK(header.width >= 1 && header.width <= kMaxImageSide && header.height >= 1 &&
                   header.height <= kMaxImageSide);
}

void CheckMountTable(const uint8_t* data, size_t size) {
    std::vector<std::string> volumes =
        ParseMountInfo(std::string_view(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(std::is_sorted(volumes.begin(), volumes.end()));
    FUZZ_CHECK(std::adjacent_find(volumes.begin(), volumes.end()) == volumes.end());
    for (const std::string& volume : volumes) {
        FUZZ_CHECK(volume.starts_with("/media/") || volume.starts_with("/run/media/") ||
                   volume.starts_with("/mnt/"));
        FUZZ_CHECK(volume.find('\0') == std::string::npos && volume.find("//") == std::string::npos);
        FUZZ_CHECK(volume.find("/../") == std::string::npos && !volume.ends_with("/.."));
        // A volume is a list entry a decoder accepts.
        ItemIdList list = EncodeItemIdList({VirtualId(VI_COMPUTER), VolumeId(volume)});
        FUZZ_CHECK(IsValidItemIdList(list.data(), list.size()));
    }
}

void CheckItemIds(const uint8_t* data, size_t size) {
    ItemIds ids;
    if (DecodeItemIdList(data, size, &ids)) {
        ItemIdList again = EncodeItemIdList(ids);
        FUZZ_CHECK(again.size() == size && std::equal(again.begin(), again.end(), data));
        FUZZ_CHECK(ItemIdCount(again) == ids.size());
    }
    ItemId id;
    if (DecodeRelativeItemId(data, size, &id)) {
        ItemIdList again = EncodeItemIdList({id});
        FUZZ_CHECK(again.size() == size && std::equal(again.begin(), again.end(), data));
    }
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    auto bytes = [](const ItemIdList& list) { return std::string(list.begin(), list.end()); };
    std::string icon("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\x30\0\0\0\x16\0\0\0", 22);
    icon += std::string("\x28\0\0\0", 4) + std::string(44, '\0');
    std::string bitmap("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\2\0\0\0\2\0\0\0\1\0\x18\0", 30);
    bitmap += std::string(24 + 16, '\0');
    return {
        icon,
        bitmap,
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n40 22 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n",
        bytes(EncodeItemIdList(
            {VirtualId(VI_HOME), NameId(IK_FOLDER, "Music", 0), NameId(IK_FILE, "a.mp3", 0)})),
        bytes(EncodeItemIdList(
            {VirtualId(VI_COMPUTER), VolumeId("/media/usb"), NameId(IK_FOLDER, ".x", IF_HIDDEN)})),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckImages(data, size);
    CheckMountTable(data, size);
    CheckItemIds(data, size);
    return 0;
}
