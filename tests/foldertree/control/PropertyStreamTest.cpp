#include "foldertree/control/PropertyStream.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/MemoryStream.h"

#include <gtest/gtest.h>

using namespace pgv;

namespace {

// A root of one folder entry, "ab".
const ItemIdList kRoot = {7, 0, 0x31, 0, 'a', 'b', 0, 0, 0};

std::vector<uint8_t> Saved(const PathgroveProps& props, const FontDesc& font = FontDesc()) {
    auto stream = ax::ComPtr<ax::MemoryStream>::Attach(new ax::MemoryStream());
    EXPECT_EQ(SavePropsToStream(stream.Get(), props, font), ax::S_OK);
    return stream->Bytes();
}

// Every setting away from its default.
PathgroveProps Changed() {
    PathgroveProps p;
    p.extentX = 1000, p.extentY = 2000, p.enabled = false, p.root = kRoot;
    p.showContextMenus = false, p.showCheckBoxes = true, p.showSpecialFolders = false, p.showFiles = true;
    p.showHiddenObjects = false, p.hasLinesAtRoot = true, p.hasLines = false, p.hasButtons = false;
    p.hotTracking = true, p.expandSelectedNode = true, p.indent = 33, p.backColor = 0x112233;
    p.foreColor = 0x445566, p.autoUpdate = false, p.allowNodeRenaming = false, p.defaultKeyHandling = false;
    p.selectionDelay = 1234, p.autoCheckChildren = true, p.showInfoTips = false, p.allowDragDrop = false;
    p.borderStyle = 1, p.showUIDialogs = false, p.allowZipFolders = true, p.hideSelection = true;
    p.queryHasSubFolders = false, p.shellImageListType = 2, p.fullRowSelect = true, p.lineColor = 0x00FF00;
    return p;
}

} // namespace

TEST(PropertyStreamTest, RoundTripsEverySettingAndTheFont) {
    FontDesc font{u"Serif", 125000, 700, 2, true, false, true};
    std::vector<uint8_t> bytes = Saved(Changed(), font);
    PathgroveProps loaded;
    FontDesc loadedFont;
    ASSERT_EQ(LoadPropsFromBytes(bytes.data(), bytes.size(), &loaded, &loadedFont), ax::S_OK);
    EXPECT_TRUE(loaded == Changed());
    EXPECT_TRUE(loadedFont == font);
}

TEST(PropertyStreamTest, OutOfRangeValuesLoadAsTheirDefaults) {
    PathgroveProps crafted;
    crafted.indent = 10, crafted.selectionDelay = 20000, crafted.borderStyle = 5,
    crafted.shellImageListType = 7;
    std::vector<uint8_t> bytes = Saved(crafted);
    PathgroveProps loaded;
    FontDesc font;
    ASSERT_EQ(LoadPropsFromBytes(bytes.data(), bytes.size(), &loaded, &font), ax::S_OK);
    EXPECT_EQ(loaded.indent, 19);
    EXPECT_EQ(loaded.selectionDelay, 600);
    EXPECT_EQ(loaded.borderStyle, 2);
    EXPECT_EQ(loaded.shellImageListType, 0);
}

TEST(PropertyStreamTest, WritesTestForTheUnusedText) {
    std::vector<uint8_t> bytes = Saved(PathgroveProps());
    // Version 4, extent 8, Enabled 1, root count 4 (the desktop), then "rrr".
    const std::vector<uint8_t> rrr = {4, 0, 0, 0, 't', 0, 'e', 0, 's', 0, 't', 0};
    ASSERT_GE(bytes.size(), 17 + rrr.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 17, bytes.begin() + 17 + rrr.size()), rrr);
}

TEST(PropertyStreamTest, CutStreamsFailAndLeaveWhatWasNotReachedAtItsDefault) {
    std::vector<uint8_t> bytes = Saved(Changed());
    for (size_t size = 0; size < bytes.size(); ++size) {
        PathgroveProps loaded = Changed(); // a reset must not keep these
        FontDesc font;
        EXPECT_EQ(LoadPropsFromBytes(bytes.data(), size, &loaded, &font), ax::E_FAIL) << size;
        EXPECT_EQ(loaded.lineColor, Changed().lineColor) << size; // no reset value: kept
        // ShowFiles is byte 41: version 4, extent 8, Enabled 1, root 13, "rrr" 12, three flags.
        EXPECT_EQ(loaded.showFiles, size > 41) << size;
    }
    PathgroveProps half = Changed();
    FontDesc font;
    EXPECT_EQ(LoadPropsFromBytes(bytes.data(), 30, &half, &font), ax::E_FAIL);
    EXPECT_EQ(half.root, kRoot);
    EXPECT_EQ(half.indent, 19);
    EXPECT_TRUE(half.autoUpdate);
}

TEST(PropertyStreamTest, RefusedRootsLeaveTheDesktopAndFail) {
    std::vector<uint8_t> good = Saved(Changed());
    constexpr size_t kRootCount = 13;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool restRead;
    };
    std::vector<uint8_t> overCap(good.begin(), good.begin() + kRootCount);
    const uint32_t tooMany = kMaxRootBlobBytes + 1;
    for (int i = 0; i < 4; ++i)
        overCap.push_back(static_cast<uint8_t>(tooMany >> (8 * i)));
    overCap.resize(overCap.size() + tooMany, 1);
    std::vector<uint8_t> beyond(good.begin(), good.begin() + kRootCount);
    beyond.insert(beyond.end(), {0x00, 0x01, 0, 0, 3, 0, 'a'});
    std::vector<uint8_t> notAList = good;
    notAList[kRootCount + 4] = 9; // first entry's size runs past the list
    const Case cases[] = {
        {"over the cap", overCap, false},
        {"beyond the stream", beyond, false},
        {"not an item-id list", notAList, true},
    };
    for (const Case& c : cases) {
        PathgroveProps loaded;
        FontDesc font;
        EXPECT_EQ(LoadPropsFromBytes(c.bytes.data(), c.bytes.size(), &loaded, &font), ax::E_FAIL) << c.what;
        EXPECT_TRUE(loaded.root.empty()) << c.what;
        EXPECT_EQ(loaded.showFiles, c.restRead) << c.what;
    }
}
