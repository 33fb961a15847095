// The property pages as a designer uses them: made by class id, showing
// the control's properties, writing back only what was changed, and the
// button that chooses the root folder.
#include "foldertree/automation/Utf16.h"
#include "foldertree/module/ClassFactory.h"
#include "tests/foldertree/TreeFixture.h"

using namespace pgv;
using namespace pgvtest;

namespace {

class PropertyPageTest : public TreeFixture {
  protected:
    ax::ComPtr<IPgvPropertyPage> MakePage(const ax::Guid& clsid) {
        ax::ComPtr<ax::IClassFactory> factory;
        EXPECT_EQ(GetClassObject(clsid, ax::IID_IClassFactory, factory.OutVoid()), ax::S_OK);
        ax::ComPtr<IPgvPropertyPage> page;
        if (!factory || factory->CreateInstance(nullptr, IID_IPgvPropertyPage, page.OutVoid()) != ax::S_OK)
            return {};
        ax::IUnknown* edited[] = {static_cast<ax::IDispatch*>(control.Get())};
        EXPECT_EQ(page->SetObjects(1, edited), ax::S_OK);
        return page;
    }
    ax::Variant Value(IPgvPropertyPage* page, int32_t controlId) {
        ax::Variant value;
        ax::VariantInit(&value);
        EXPECT_EQ(page->GetValue(controlId, &value), ax::S_OK) << controlId;
        return value;
    }
    int32_t Setting(ax::DISPID id) { return NumberMember(control.Get(), id); }
};

} // namespace

TEST_F(PropertyPageTest, TheGeneralPageAppliesOnlyTheFieldsTheUserChanged) {
    Start();
    ax::ComPtr<IPgvPropertyPage> page = MakePage(CLSID_GeneralPropPage);
    ASSERT_TRUE(page);
    ax::BSTR title = nullptr, caption = nullptr;
    int32_t dialog = 0;
    ASSERT_EQ(page->GetPageInfo(&title, &caption, &dialog), ax::S_OK);
    EXPECT_EQ(ax::BstrView(title), u"General");
    EXPECT_EQ(ax::BstrView(caption), u"Pathgrove General Property Page");
    EXPECT_EQ(dialog, 104);
    ax::FreeBstr(title);
    ax::FreeBstr(caption);
    uint32_t count = 0;
    ASSERT_EQ(page->GetFieldCount(&count), ax::S_OK);
    PgvPageField border{};
    ASSERT_EQ(page->GetField(count - 1, &border), ax::S_OK);
    EXPECT_EQ(border.controlId, 240);
    EXPECT_EQ(std::u16string(border.label), u"Border Style");
    ASSERT_EQ(border.choiceCount, 3u);
    EXPECT_EQ((std::vector<std::u16string>(border.choices, border.choices + 3)),
              (std::vector<std::u16string>{u"None", u"Flat", u"Sunken"}));
    EXPECT_EQ(Value(page.Get(), 240).lVal, BS_SUNKEN);
    EXPECT_EQ(Value(page.Get(), 220).boolVal, ax::VARIANT_TRUE); // Has Lines

    ax::Variant flat = ax::MakeI4(BS_FLAT), indent = ax::MakeBstr(u"40"), beyond = ax::MakeI4(3);
    EXPECT_EQ(page->SetValue(240, &flat), ax::S_OK);
    EXPECT_EQ(page->SetValue(224, &indent), ax::S_OK);
    EXPECT_EQ(page->SetValue(240, &beyond), ax::E_INVALIDARG);
    ax::VariantClear(&indent);
    EXPECT_EQ(page->IsPageDirty(), ax::S_OK);
    EXPECT_EQ(Value(page.Get(), 224).lVal, 40);
    EXPECT_EQ(Setting(PGVC_INDENT), 19);
    // Changed elsewhere meanwhile: a field the user left alone is not written.
    PutSetting(PGVC_HASLINES, ax::MakeBool(false));
    EXPECT_EQ(page->Apply(), ax::S_OK);
    EXPECT_EQ(page->IsPageDirty(), ax::S_FALSE);
    EXPECT_EQ(Setting(PGVC_INDENT), 40);
    EXPECT_EQ(Setting(PGVC_BORDERSTYLE), BS_FLAT);
    EXPECT_EQ(Setting(PGVC_HASLINES), 0);
}

TEST_F(PropertyPageTest, TheSpecialPageBindsItsSpellingsAndChoosesTheRoot) {
    MakeDirs({"Music/Rock"});
    presenter->folder = ax::Utf8ToUtf16(Home("Music"));
    Start();
    ax::ComPtr<IPgvPropertyPage> page = MakePage(CLSID_PathgrovePropPage);
    ASSERT_TRUE(page);
    PutSetting(PGVC_DEFAULTKEYHANDLING, ax::MakeBool(false));
    EXPECT_EQ(Value(page.Get(), 229).boolVal, ax::VARIANT_FALSE); // "DefaultKeyhandling"
    ax::Variant on = ax::MakeBool(true);
    EXPECT_EQ(page->SetValue(229, &on), ax::S_OK);
    EXPECT_EQ(page->Apply(), ax::S_OK);
    EXPECT_EQ(Setting(PGVC_DEFAULTKEYHANDLING), -1);

    EXPECT_EQ(page->Click(kSetRootFolderButton), ax::S_OK);
    EXPECT_EQ(presenter->chooserTitles, (std::vector<std::u16string>{u"Select the Root Folder"}));
    EXPECT_EQ(TextMember(control.Get(), PGVC_ROOTFOLDER), ax::Utf8ToUtf16(Home("Music")));
    EXPECT_EQ(Outline(control.Get()), (std::vector<std::u16string>{u"Music", u"  Rock"}));
    // The desktop's folder chosen is the desktop.
    presenter->folder = ax::Utf8ToUtf16(Home("Desktop"));
    EXPECT_EQ(page->Click(kSetRootFolderButton), ax::S_OK);
    EXPECT_EQ(NumberMember(control.Get(), PGVC_ROOTPIDL), 0);
    EXPECT_EQ(Outline(control.Get()).size(), 4u); // Desktop, Home, Computer, Trash
    EXPECT_EQ(page->Click(229), ax::E_INVALIDARG);
    ax::ComPtr<ax::IClassFactory> none;
    EXPECT_EQ(GetClassObject(CLSID_TreeNode, ax::IID_IClassFactory, none.OutVoid()),
              ax::CLASS_E_CLASSNOTAVAILABLE);
}
