#include "foldertree/shell/ItemIdList.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pgv;

namespace {

ItemIdList Bytes(const ItemIds& ids) {
    return EncodeItemIdList(ids);
}

// One raw entry: size, kind, flags, payload, NUL.
ItemIdList Entry(uint8_t kind, uint8_t flags, const std::string& payload) {
    // Filled in place: g++ 12 at -O2 warns (-Warray-bounds) of the copy an
    // insert after a four-byte initializer list makes, a copy it sizes wrong.
    ItemIdList entry(payload.size() + 5, 0);
    entry[0] = static_cast<uint8_t>(entry.size());
    entry[2] = kind;
    entry[3] = flags;
    std::copy(payload.begin(), payload.end(), entry.begin() + 4);
    return entry;
}

ItemIdList List(std::initializer_list<ItemIdList> entries) {
    ItemIdList list;
    for (const ItemIdList& entry : entries)
        list.insert(list.end(), entry.begin(), entry.end());
    list.push_back(0);
    list.push_back(0);
    return list;
}

} // namespace

TEST(ItemIdListTest, DecodesOnlyWellFormedListsWhoseEntriesStandWhereTheirKindMay) {
    const ItemIdList home = Entry(IK_VIRTUAL, 0, "\x01"), computer = Entry(IK_VIRTUAL, 0, "\x02"),
                     trash = Entry(IK_VIRTUAL, 0, "\x03"), music = Entry(IK_FOLDER, 0, "Music"),
                     song = Entry(IK_FILE, 0, "a.mp3"), root = Entry(IK_VOLUME, 0, "/");
    struct Case {
        const char* what;
        ItemIdList bytes;
        bool valid;
    };
    ItemIdList trailing = List({music});
    trailing.push_back(7);
    ItemIdList cut = List({music});
    cut.pop_back();
    ItemIdList tooLong = List({music});
    tooLong[0] = 40;
    const Case cases[] = {
        {"desktop", {0, 0}, true},
        {"home/music/song", List({home, music, song}), true},
        {"computer/fs/usr", List({computer, root, Entry(IK_FOLDER, 0, "usr")}), true},
        {"desktop entry", List({Entry(IK_FOLDER, IF_HIDDEN | IF_SYMLINK, ".cfg")}), true},
        {"nothing", {}, false},
        {"no terminator", cut, false},
        {"bytes after the end", trailing, false},
        {"entry past the end", tooLong, false},
        {"volume at the top", List({root}), false},
        {"folder under computer", List({computer, music}), false},
        {"under trash", List({trash, music}), false},
        {"under a file", List({home, song, music}), false},
        {"virtual not first", List({home, home}), false},
        {"unknown virtual", List({Entry(IK_VIRTUAL, 0, "\x04")}), false},
        {"unknown kind", List({Entry(0x40, 0, "x")}), false},
        {"unknown flag", List({Entry(IK_FOLDER, 4, "x")}), false},
        {"dot dot", List({home, Entry(IK_FOLDER, 0, "..")}), false},
        {"slash in a name", List({home, Entry(IK_FOLDER, 0, "a/b")}), false},
        {"empty name", List({home, Entry(IK_FOLDER, 0, "")}), false},
        {"NUL in a name", List({home, Entry(IK_FOLDER, 0, std::string("a\0b", 3))}), false},
        {"unclean mount point", List({computer, Entry(IK_VOLUME, 0, "/media//usb")}), false},
        {"relative mount point", List({computer, Entry(IK_VOLUME, 0, "media")}), false},
    };
    for (const Case& c : cases) {
        ItemIds ids;
        EXPECT_EQ(DecodeItemIdList(c.bytes.data(), c.bytes.size(), &ids), c.valid) << c.what;
        if (c.valid) {
            EXPECT_EQ(Bytes(ids), c.bytes) << c.what;
        }
    }
    EXPECT_EQ(ItemIdCount(List({home, music, song})), 3u);
}

TEST(ItemIdListTest, RelativeListsHoldExactlyOneEntryOfAnyKind) {
    ItemId id;
    const ItemIdList volume = List({Entry(IK_VOLUME, 0, "/media/usb")});
    ASSERT_TRUE(DecodeRelativeItemId(volume.data(), volume.size(), &id));
    EXPECT_TRUE(SameItem(id, VolumeId("/media/usb")));
    const ItemIdList two = List({Entry(IK_FOLDER, 0, "a"), Entry(IK_FOLDER, 0, "b")});
    const ItemIdList none = {0, 0};
    EXPECT_FALSE(DecodeRelativeItemId(two.data(), two.size(), &id));
    EXPECT_FALSE(DecodeRelativeItemId(none.data(), none.size(), &id));
    // Flags are a cache: the same item with other flags is the same item.
    EXPECT_TRUE(SameItem(NameId(IK_FOLDER, "a", IF_HIDDEN), NameId(IK_FOLDER, "a", 0)));
    EXPECT_FALSE(SameItem(NameId(IK_FOLDER, "a", 0), NameId(IK_FILE, "a", 0)));
}
