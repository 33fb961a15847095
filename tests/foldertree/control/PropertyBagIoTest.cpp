#include "foldertree/control/PropertyBagIo.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/MemoryStream.h"
#include "foldertree/automation/RefCounted.h"
#include "foldertree/automation/SafeArray.h"
#include "foldertree/automation/Utf16.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

using namespace pgv;

TEST(PropertyBagIoTest, SavesUnderTheSettingNamesAndLoadsThemBack) {
    auto bag = ax::ComPtr<ax::MemoryPropertyBag>::Attach(new ax::MemoryPropertyBag());
    PathgroveProps props;
    props.showSpecialFolders = false;
    props.indent = 40;
    props.root = {6, 0, 0x31, 0, 'a', 0, 0, 0};
    FontDesc font{u"Mono;spaced", 100000, 400, 0, false, true, false};
    ASSERT_EQ(SavePropsToBag(bag.Get(), props, font), ax::S_OK);
    ASSERT_NE(bag->Find(u"ShowSpecailFolders"), nullptr);
    EXPECT_EQ(bag->Find(u"ShowSpecailFolders")->boolVal, ax::VARIANT_FALSE);
    EXPECT_EQ(ax::BstrView(bag->Find(u"rrr")->bstrVal), u"test");
    EXPECT_EQ(bag->Size(), 35u); // version, the two extents, Enabled and the 31 settings

    bag->Remove(u"HasLines"); // missing: the reset value
    ax::Variant text = ax::MakeBstr(u"150");
    bag->Write(u"Indent", &text);
    ax::VariantClear(&text);
    PathgroveProps loaded;
    loaded.hasLines = false;
    FontDesc loadedFont;
    ASSERT_EQ(LoadPropsFromBag(bag.Get(), &loaded, &loadedFont), ax::S_OK);
    EXPECT_FALSE(loaded.showSpecialFolders);
    EXPECT_TRUE(loaded.hasLines);
    EXPECT_EQ(loaded.indent, 150);
    EXPECT_EQ(loaded.root, props.root);
    EXPECT_TRUE(loadedFont == font);
}

TEST(PropertyBagIoTest, RefusesRootsThatAreNotItemIdLists) {
    struct Case {
        const char* what;
        ax::Variant value;
    };
    const uint8_t broken[] = {5, 0, 'a', 0, 0};
    ax::Variant notArray = ax::MakeBstr(u"root");
    ax::Variant brokenList;
    ax::VariantInit(&brokenList);
    brokenList.vt = ax::VT_ARRAY | ax::VT_UI1;
    brokenList.parray = ax::SafeArrayFromBytes(broken, sizeof broken);
    for (const Case& c : {Case{"text", notArray}, Case{"broken list", brokenList}}) {
        auto bag = ax::ComPtr<ax::MemoryPropertyBag>::Attach(new ax::MemoryPropertyBag());
        bag->Write(u"root", &c.value);
        PathgroveProps loaded;
        loaded.root = {6, 0, 0x31, 0, 'z', 0, 0, 0};
        FontDesc font;
        EXPECT_EQ(LoadPropsFromBag(bag.Get(), &loaded, &font), ax::E_FAIL) << c.what;
        EXPECT_TRUE(loaded.root.empty()) << c.what;
    }
    ax::VariantClear(&notArray);
    ax::VariantClear(&brokenList);
    FontDesc font;
    for (const char16_t* bad : {u"", u"1;2;3;4", u"x;400;0;0;A", u"90000;400;0;9;A", u"90000;-1;0;0;A"})
        EXPECT_FALSE(ParseFontText(bad, &font)) << ax::Utf16ToUtf8(bad);
}

namespace {

// A host's bag whose root is an array it made itself, handed over as it is.
class CraftedRootBag final : public ax::IPropertyBag, public ax::RefCounted {
  public:
    explicit CraftedRootBag(ax::SafeArray* root) : m_root(root) {}
    ax::HRESULT QueryInterface(const ax::Guid&, void**) override { return ax::E_NOINTERFACE; }
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT Read(const char16_t* name, ax::Variant* value) override {
        if (std::u16string_view(name) != u"root" || !m_root)
            return ax::E_INVALIDARG;
        value->vt = ax::VT_ARRAY | ax::VT_UI1;
        value->parray = std::exchange(m_root, nullptr);
        return ax::S_OK;
    }
    ax::HRESULT Write(const char16_t*, const ax::Variant*) override { return ax::E_NOTIMPL; }

  private:
    ax::SafeArray* m_root;
};

} // namespace

TEST(PropertyBagIoTest, RefusesRootArraysWithoutDataOrWithWideElements) {
    const ItemIdList list = {6, 0, 0x31, 0, 'a', 0, 0, 0};
    struct Case {
        const char* what;
        void (*craft)(ax::SafeArray*);
    };
    const Case cases[] = {
        {"no data",
         [](ax::SafeArray* array) {
             std::free(array->data);
             array->data = nullptr;
         }},
        {"two-byte elements", [](ax::SafeArray* array) { array->elementSize = 2; }},
    };
    for (const Case& c : cases) {
        ax::SafeArray* array = ax::SafeArrayFromBytes(list.data(), static_cast<uint32_t>(list.size()));
        c.craft(array);
        auto bag = ax::ComPtr<CraftedRootBag>::Attach(new CraftedRootBag(array));
        PathgroveProps loaded;
        FontDesc font;
        EXPECT_EQ(LoadPropsFromBag(bag.Get(), &loaded, &font), ax::E_FAIL) << c.what;
        EXPECT_TRUE(loaded.root.empty()) << c.what;
    }
}
