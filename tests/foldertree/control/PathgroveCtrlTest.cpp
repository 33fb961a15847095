#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/MemoryStream.h"
#include "foldertree/control/PropertyStream.h"
#include "tests/foldertree/DispatchCalls.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pgv;
using pgvtest::Call;
using pgvtest::Get;
using pgvtest::Put;

namespace {

ax::ComPtr<CPathgroveCtrl> NewControl() {
    auto control = ax::ComPtr<CPathgroveCtrl>::Attach(new CPathgroveCtrl());
    EXPECT_EQ(control->InitNew(), ax::S_OK);
    return control;
}

ax::ComPtr<CPathgroveCtrl> ControlWithRoot(const ItemIdList& root) {
    PathgroveProps props;
    props.root = root;
    FontDesc font;
    auto stream = ax::ComPtr<ax::MemoryStream>::Attach(new ax::MemoryStream());
    EXPECT_EQ(SavePropsToStream(stream.Get(), props, font), ax::S_OK);
    auto control = ax::ComPtr<CPathgroveCtrl>::Attach(new CPathgroveCtrl());
    EXPECT_EQ(control->Load(stream.Get()), ax::S_OK);
    return control;
}

double RootHandle(CPathgroveCtrl* control) {
    ax::ScopedVariant root;
    EXPECT_EQ(Get(control, PGVC_ROOT, &root), ax::S_OK);
    return root.dblVal;
}

} // namespace

TEST(PathgroveCtrlTest, ReadsAndWritesPropertiesByDispidAndByName) {
    auto control = NewControl();
    EXPECT_EQ(control->IsDirty(), ax::S_FALSE);
    ax::DISPID indent = pgvtest::IdOf(control.Get(), u"indent");
    EXPECT_EQ(indent, PGVC_INDENT);
    EXPECT_EQ(Put(control.Get(), indent, ax::MakeBstr(u"44")), ax::S_OK);
    ax::ScopedVariant value;
    EXPECT_EQ(Get(control.Get(), PGVC_INDENT, &value), ax::S_OK);
    EXPECT_EQ(value.vt, ax::VT_I4);
    EXPECT_EQ(value.lVal, 44);
    EXPECT_EQ(control->IsDirty(), ax::S_OK);
    // A number that is no number fits no integer.
    EXPECT_EQ(Put(control.Get(), PGVC_INDENT, ax::MakeR8(std::nan(""))), ax::DISP_E_OVERFLOW);
    EXPECT_EQ(control->Props().indent, 44);
    auto stream = ax::ComPtr<ax::MemoryStream>::Attach(new ax::MemoryStream());
    EXPECT_EQ(control->Save(stream.Get(), true), ax::S_OK);
    EXPECT_EQ(control->IsDirty(), ax::S_FALSE);
    // The cancel flag is the event's, not a setting.
    EXPECT_EQ(Put(control.Get(), PGVC_CANCELEVENT, ax::MakeBool(true)), ax::S_OK);
    EXPECT_EQ(control->IsDirty(), ax::S_FALSE);
}

TEST(PathgroveCtrlTest, EveryReadOnlyMemberRaisesSetNotSupported) {
    auto control = NewControl();
    int readOnly = 0;
    for (const ax::DispMemberInfo& member : control_members::kMembers) {
        if (member.kind != ax::MK_READONLY)
            continue;
        ++readOnly;
        ax::HRESULT raised = 0;
        EXPECT_EQ(Put(control.Get(), member.id, ax::MakeI4(0), &raised), ax::DISP_E_EXCEPTION) << member.id;
        EXPECT_EQ(raised, ax::CTL_E_SETNOTSUPPORTED) << member.id;
    }
    EXPECT_EQ(readOnly, 5);
}

TEST(PathgroveCtrlTest, PutsIgnoreOutOfRangeValuesAndSetTheTreeStyles) {
    struct RangeCase {
        int32_t dispid;
        int32_t value;
        int32_t stored;
    };
    const RangeCase ranges[] = {
        {PGVC_INDENT, 18, 19},           {PGVC_INDENT, 200, 200},         {PGVC_INDENT, 201, 200},
        {PGVC_SELECTIONDELAY, -1, 600},  {PGVC_SELECTIONDELAY, 0, 0},     {PGVC_SELECTIONDELAY, 10001, 0},
        {PGVC_BORDERSTYLE, 3, 2},        {PGVC_BORDERSTYLE, -32768, 2},   {PGVC_BORDERSTYLE, 0, 0},
        {PGVC_SHELLIMAGELISTTYPE, 3, 0}, {PGVC_SHELLIMAGELISTTYPE, 1, 1}, {PGVC_SHELLIMAGELISTTYPE, -1, 1},
    };
    auto control = NewControl();
    for (const RangeCase& c : ranges) {
        EXPECT_EQ(Put(control.Get(), c.dispid, ax::MakeI4(c.value)), ax::S_OK);
        ax::ScopedVariant value;
        ASSERT_EQ(Get(control.Get(), c.dispid, &value), ax::S_OK);
        ASSERT_EQ(ax::VariantChangeType(&value, &value, ax::VT_I4), ax::S_OK);
        EXPECT_EQ(value.lVal, c.stored) << c.dispid << " " << c.value;
    }

    struct StyleCase {
        int32_t dispid;
        bool value;
        uint32_t bit;
        bool set;
    };
    const StyleCase styles[] = {
        {PGVC_HASLINES, false, TVS_HASLINES, false},
        {PGVC_HASLINESATROOT, true, TVS_LINESATROOT, true},
        {PGVC_HASBUTTONS, false, TVS_HASBUTTONS, false},
        {PGVC_HOTTRACKING, true, TVS_TRACKSELECT, true},
        {PGVC_SHOWINFOTIPS, false, TVS_INFOTIP, false},
        {PGVC_FULLROWSELECT, true, TVS_FULLROWSELECT, true},
        {PGVC_EXPANDSELECTEDNODE, true, TVS_SINGLEEXPAND, true},
        {PGVC_HIDESELECTION, true, TVS_SHOWSELALWAYS, false},
    };
    for (const StyleCase& c : styles) {
        uint32_t before = TreeStyleBits(control->Props());
        EXPECT_EQ(Put(control.Get(), c.dispid, ax::MakeBool(c.value)), ax::S_OK);
        uint32_t after = TreeStyleBits(control->Props());
        EXPECT_EQ((after & c.bit) != 0, c.set) << c.dispid;
        EXPECT_EQ(after & ~c.bit, before & ~c.bit) << c.dispid;
    }
    EXPECT_TRUE(TreeStyleBits(control->Props()) & TVS_EDITLABELS);
}

TEST(PathgroveCtrlTest, WithoutAWindowTreeMembersFindNothingAndNothingIsDrawn) {
    auto control = NewControl();
    const int32_t methods[] = {
        PGVC_SELECTPARENT,    PGVC_GETFIRSTITEM, PGVC_GETNEXTITEM, PGVC_REFRESHVIEW, PGVC_FIRSTCHECKEDNODE,
        PGVC_NEXTCHECKEDNODE, PGVC_BEGINUPDATE,  PGVC_GOUP,        PGVC_REFRESHTREE};
    for (int32_t dispid : methods) {
        ax::ScopedVariant result;
        EXPECT_EQ(Call(control.Get(), dispid, ax::DISPATCH_METHOD, {}, &result), ax::S_OK) << dispid;
        EXPECT_TRUE(result.vt == ax::VT_EMPTY || (result.vt == ax::VT_DISPATCH && !result.pdispVal))
            << dispid;
    }
    ax::Variant path = ax::MakeBstr(u"/");
    ax::ScopedVariant node;
    EXPECT_EQ(Call(control.Get(), PGVC_GETNODE, ax::DISPATCH_METHOD,
                   {path, ax::MakeR8(0), ax::MakeBool(true)}, &node),
              ax::S_OK);
    EXPECT_EQ(node.pdispVal, nullptr);
    EXPECT_EQ(Put(control.Get(), PGVC_ROOTFOLDER, ax::MakeBstr(u"/")), ax::S_OK);
    ax::ScopedVariant root;
    EXPECT_EQ(Get(control.Get(), PGVC_ROOTFOLDER, &root), ax::S_OK);
    EXPECT_EQ(ax::BstrView(root.bstrVal), u"/");
    ax::VariantClear(&path);
    EXPECT_EQ(control->Draw(0, nullptr), ax::E_NOTIMPL);
    EXPECT_EQ(control->TreeInput(IM_LBUTTONDOWN, 0, 0, 1, 1), ax::E_UNEXPECTED);
}

TEST(PathgroveCtrlTest, OverlayNumbersStopAtSixteenAndMenuItemsCountFromZero) {
    auto control = NewControl();
    for (int32_t expected = 1; expected <= 15; ++expected) {
        ax::ScopedVariant number;
        ASSERT_EQ(Call(control.Get(), PGVC_SETOVERLAYICON, ax::DISPATCH_METHOD, {ax::MakeI4(3)}, &number),
                  ax::S_OK);
        EXPECT_EQ(number.lVal, expected);
    }
    ax::ScopedVariant full;
    EXPECT_EQ(Call(control.Get(), PGVC_SETOVERLAYICON, ax::DISPATCH_METHOD, {ax::MakeI4(3)}, &full),
              ax::S_OK);
    EXPECT_EQ(full.lVal, -1);

    for (int32_t expected = 0; expected < 3; ++expected) {
        ax::Variant caption = ax::MakeBstr(u"Share");
        ax::ScopedVariant index;
        EXPECT_EQ(Call(control.Get(), PGVC_ADDCUSTOMCONTEXTMENUITEM, ax::DISPATCH_METHOD,
                       {caption, ax::MakeI4(PGV_MENUCHECKED)}, &index),
                  ax::S_OK);
        EXPECT_EQ(index.lVal, expected);
        ax::VariantClear(&caption);
    }
}

TEST(PathgroveCtrlTest, RootPidlTakesOnlyLiveHandlesAndCopiesTheirList) {
    const ItemIdList root = {6, 0, 0x31, 0, 'm', 0, 0, 0};
    auto source = ControlWithRoot(root);
    double handle = RootHandle(source.Get());
    ASSERT_GT(handle, 0);
    auto control = NewControl();
    EXPECT_EQ(RootHandle(control.Get()), 0); // the desktop
    for (double bad : {handle + 1000, handle + 0.5, -handle})
        EXPECT_EQ(Put(control.Get(), PGVC_ROOTPIDL, ax::MakeR8(bad)), ax::E_INVALIDARG) << bad;
    EXPECT_EQ(Put(control.Get(), PGVC_ROOTPIDL, ax::MakeR8(handle)), ax::S_OK);
    EXPECT_EQ(control->Props().root, root);
    // Once the source's root changes, its old handle names nothing.
    EXPECT_EQ(Call(source.Get(), PGVC_RESETTODESKTOP, ax::DISPATCH_METHOD, {}), ax::S_OK);
    EXPECT_EQ(RootHandle(source.Get()), 0);
    EXPECT_EQ(Put(control.Get(), PGVC_ROOTPIDL, ax::MakeR8(handle)), ax::E_INVALIDARG);
    EXPECT_EQ(control->Props().root, root);
}

TEST(PathgroveCtrlTest, FontChangesMarkTheControlModifiedAndPersist) {
    auto control = NewControl();
    ax::ScopedVariant font;
    ASSERT_EQ(Get(control.Get(), PGVC_FONT, &font), ax::S_OK);
    ASSERT_EQ(font.vt, ax::VT_DISPATCH);
    EXPECT_EQ(Put(font.pdispVal, PGVF_NAME, ax::MakeBstr(u"Serif")), ax::S_OK);
    EXPECT_EQ(Put(font.pdispVal, PGVF_BOLD, ax::MakeBool(true)), ax::S_OK);
    EXPECT_EQ(control->IsDirty(), ax::S_OK);
    auto stream = ax::ComPtr<ax::MemoryStream>::Attach(new ax::MemoryStream());
    ASSERT_EQ(control->Save(stream.Get(), true), ax::S_OK);
    auto copy = ax::ComPtr<CPathgroveCtrl>::Attach(new CPathgroveCtrl());
    auto reader = ax::ComPtr<ax::MemoryStream>::Attach(
        new ax::MemoryStream(stream->Bytes().data(), stream->Bytes().size()));
    ASSERT_EQ(copy->Load(reader.Get()), ax::S_OK);
    ax::ScopedVariant copied, weight;
    ASSERT_EQ(Get(copy.Get(), PGVC_FONT, &copied), ax::S_OK);
    ASSERT_EQ(Get(copied.pdispVal, PGVF_WEIGHT, &weight), ax::S_OK);
    EXPECT_EQ(weight.iVal, 700);
}

TEST(PathgroveCtrlTest, AnswersItsStatusPagesEventsAndKeys) {
    auto control = NewControl();
    uint32_t status = 0;
    EXPECT_EQ(control->GetMiscStatus(&status), ax::S_OK);
    EXPECT_EQ(status, 0x20991u);
    ax::Guid pages[2];
    uint32_t count = 0;
    EXPECT_EQ(control->GetPages(pages, 2, &count), ax::S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_TRUE(pages[0] == CLSID_GeneralPropPage);
    EXPECT_TRUE(pages[1] == CLSID_PathgrovePropPage);
    ax::ComPtr<ax::IConnectionPoint> point;
    EXPECT_EQ(control->FindConnectionPoint(DIID__DPathgroveEvents, point.Out()), ax::S_OK);
    EXPECT_EQ(control->FindConnectionPoint(DIID__DPathgrove, point.Out()), ax::CONNECT_E_NOCONNECTION);
    EXPECT_EQ(RouteKey(KM_KEYDOWN, VK_SPACE), KR_CHECK_GESTURE);
    EXPECT_EQ(RouteKey(KM_KEYUP, VK_SPACE), KR_DEFAULT);
    EXPECT_EQ(RouteKey(KM_KEYUP, VK_ESCAPE), KR_LABEL_EDITOR);
    EXPECT_EQ(RouteKey(KM_KEYDOWN, 'A'), KR_DEFAULT);
    // Without a tree there is no node to check and no editor.
    EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_SPACE), ax::S_FALSE);
}
