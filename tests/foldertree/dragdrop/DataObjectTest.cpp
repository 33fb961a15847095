// The data of drags: the blocks of file names, text and item-id lists read
// within bounds, and the host's data object on either side of a drag.
#include "foldertree/automation/SafeArray.h"
#include "foldertree/automation/Utf16.h"
#include "foldertree/dragdrop/DropData.h"
#include "foldertree/dragdrop/PGVDataObject.h"
#include "tests/foldertree/DispatchCalls.h"

#include <gtest/gtest.h>

using namespace pgv;

namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A call that raised an error: its code and text.
std::pair<ax::HRESULT, std::u16string> Raised(ax::IDispatch* object, ax::DISPID id, uint16_t flags,
                                              ax::Variant arg) {
    ax::DispParams params = {&arg, arg.vt == ax::VT_EMPTY ? 0u : 1u};
    ax::ScopedVariant result;
    ax::ExcepInfo excep = {};
    ax::HRESULT hr = object->Invoke(id, flags, &params, &result, &excep, nullptr);
    std::pair<ax::HRESULT, std::u16string> raised = {hr == ax::DISP_E_EXCEPTION ? excep.scode : hr,
                                                     std::u16string(ax::BstrView(excep.description))};
    ax::ClearExcepInfo(&excep);
    ax::VariantClear(&arg);
    return raised;
}

ax::Variant StringArray(std::initializer_list<const char16_t*> texts, uint16_t dims = 1) {
    ax::SafeArrayBound bounds[2] = {{static_cast<uint32_t>(texts.size()), 0}, {1, 0}};
    ax::SafeArray* array = ax::SafeArrayCreate(ax::VT_BSTR, dims, bounds);
    size_t i = 0;
    for (const char16_t* text : texts)
        static_cast<ax::BSTR*>(array->data)[i++] = ax::AllocBstr(text);
    ax::Variant value;
    ax::VariantInit(&value);
    value.vt = ax::VT_ARRAY | ax::VT_BSTR;
    value.parray = array;
    return value;
}

} // namespace

TEST(DropDataTest, FilesRoundTripThroughADragAndItsBlockAsThisSystemWritesIt) {
    auto source = ax::ComPtr<DragSourceData>::Attach(new DragSourceData({}));
    auto writer = ax::ComPtr<ax::IDispatch>::Attach(CPGVDataObject::ForSource(source.Get()));
    EXPECT_EQ(pgvtest::Put(writer.Get(), PGVD_FILES, StringArray({u"/a/x", u"/b/\u00E9"})), ax::S_OK);
    std::vector<uint8_t> block;
    ASSERT_TRUE(ReadBytes(source.Get(), CF_HDROP, &block));
    std::vector<uint8_t> expected = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    for (uint8_t byte : Bytes(std::string_view("/a/x\0/b/\xC3\xA9\0\0", 12)))
        expected.push_back(byte);
    EXPECT_EQ(block, expected);

    auto reader = ax::ComPtr<ax::IDispatch>::Attach(CPGVDataObject::ForDrop(source.Get()));
    ax::ScopedVariant files;
    ASSERT_EQ(pgvtest::Get(reader.Get(), PGVD_FILES, &files), ax::S_OK);
    ASSERT_EQ(files.vt, ax::VT_ARRAY | ax::VT_BSTR);
    ASSERT_EQ(files.parray->bounds[0].elements, 2u);
    EXPECT_EQ(ax::BstrView(static_cast<ax::BSTR*>(files.parray->data)[1]), u"/b/\u00E9");

    // Each side refuses the other's members; Files takes one dimension of
    // strings only.
    const std::u16string retrieved = u"Data cannot be retrieved in the current state";
    const std::u16string set = u"Data cannot be set in the current state";
    using Raise = std::pair<ax::HRESULT, std::u16string>;
    EXPECT_EQ(Raised(writer.Get(), PGVD_GETTEXT, ax::DISPATCH_METHOD, {}),
              (Raise{ax::ControlError(1001), retrieved}));
    EXPECT_EQ(Raised(reader.Get(), PGVD_SETTEXT, ax::DISPATCH_METHOD, ax::MakeBstr(u"x")),
              (Raise{ax::ControlError(1001), set}));
    EXPECT_EQ(Raised(writer.Get(), PGVD_FILES, ax::DISPATCH_PROPERTYPUT, StringArray({u"/a", u"/b"}, 2)),
              (Raise{ax::ControlError(1002), u"Type Mismatch in Parameter. Pass a one-dimensional array"}));
    EXPECT_EQ(Raised(writer.Get(), PGVD_FILES, ax::DISPATCH_PROPERTYPUT, ax::MakeI4(3)),
              (Raise{ax::ControlError(1001), u"Type Mismatch in Parameter. Pass a string array"}));
}

TEST(DropDataTest, BlocksThatDoNotHoldTogetherReadAsNothing) {
    std::vector<uint8_t> header = EncodeDropFiles({});
    header.pop_back();
    auto withList = [&](uint32_t offset, bool wide, std::string_view list) {
        std::vector<uint8_t> block = header;
        block[0] = static_cast<uint8_t>(offset);
        block[16] = wide ? 1 : 0;
        for (char c : list)
            block.push_back(static_cast<uint8_t>(c));
        return block;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> block;
        std::vector<std::string> names; // empty: refused
    };
    const Case cases[] = {
        {"narrow", withList(20, false, std::string_view("/a\0/b\0\0", 7)), {"/a", "/b"}},
        {"wide", withList(20, true, std::string_view("/\0a\0\0\0\0\0", 8)), {"/a"}},
        {"offset past the end", withList(200, false, std::string_view("/a\0\0", 4)), {}},
        {"offset inside the header", withList(4, false, std::string_view("/a\0\0", 4)), {}},
        {"name without its zero", withList(20, false, "/a"), {}},
        {"list without its end", withList(20, false, std::string_view("/a\0", 3)), {}},
        {"wide name cut in half", withList(20, true, std::string_view("/\0a", 3)), {}},
        {"shorter than a header", Bytes("\x14\0\0\0"), {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> names = {"stale"};
        EXPECT_EQ(DecodeDropFiles(c.block.data(), c.block.size(), &names), !c.names.empty()) << c.what;
        EXPECT_EQ(names, c.names) << c.what;
    }
    std::string text = "stale";
    EXPECT_FALSE(DecodeText(reinterpret_cast<const uint8_t*>("no end"), 6, &text));
    EXPECT_EQ(text, "");

    const ItemIds parent = {VirtualId(VI_HOME)};
    std::vector<uint8_t> ids = EncodeShellIdList(parent, {NameId(IK_FOLDER, "Music", 0)});
    std::vector<ItemIds> items;
    ASSERT_TRUE(DecodeShellIdList(ids.data(), ids.size(), &items));
    EXPECT_EQ(items, (std::vector<ItemIds>{{VirtualId(VI_HOME), NameId(IK_FOLDER, "Music", 0)}}));
    for (size_t at : {size_t{4}, size_t{8}}) {
        std::vector<uint8_t> broken = ids;
        broken[at] = 0xFF;
        EXPECT_FALSE(DecodeShellIdList(broken.data(), broken.size(), &items)) << at;
        EXPECT_TRUE(items.empty());
    }
    std::vector<uint8_t> cut(ids.begin(), ids.end() - 3);
    EXPECT_FALSE(DecodeShellIdList(cut.data(), cut.size(), &items));
}
