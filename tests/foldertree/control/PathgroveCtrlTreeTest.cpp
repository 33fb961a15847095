// The control's members that work on its tree: the checked walk, root
// nodes, lookups and selection, hit tests, images, Initialize and the
// settings that rebuild or restyle the window.
#include "foldertree/automation/Utf16.h"
#include "foldertree/shell/ShellAllocator.h"
#include "tests/foldertree/TreeFixture.h"

#include <cmath>
#include <filesystem>

using namespace pgv;
using namespace pgvtest;

namespace {

// A picture object as hosts pass them: its type and size in HIMETRIC.
class FakePicture final : public ax::IDispatch, public ax::RefCounted {
  public:
    FakePicture(int16_t type, int32_t widthPixels, int32_t heightPixels)
        : m_type(type), m_width(PixelsToHimetric(widthPixels, 96)),
          m_height(PixelsToHimetric(heightPixels, 96)) {}

    ax::HRESULT QueryInterface(const ax::Guid&, void** out) override {
        *out = static_cast<ax::IDispatch*>(this);
        AddRef();
        return ax::S_OK;
    }
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT GetIDsOfNames(const char16_t* const*, uint32_t, ax::DISPID*) override {
        return ax::E_NOTIMPL;
    }
    ax::HRESULT Invoke(ax::DISPID id, uint16_t, ax::DispParams*, ax::Variant* result, ax::ExcepInfo*,
                       uint32_t*) override {
        switch (id) {
        case PICT_TYPE:
            *result = ax::MakeI2(m_type);
            return ax::S_OK;
        case PICT_WIDTH:
            *result = ax::MakeI4(m_width);
            return ax::S_OK;
        case PICT_HEIGHT:
            *result = ax::MakeI4(m_height);
            return ax::S_OK;
        default:
            return ax::DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    int16_t m_type;
    int32_t m_width;
    int32_t m_height;
};

ax::Variant Picture(int16_t type, int32_t width, int32_t height) {
    auto picture = ax::ComPtr<FakePicture>::Attach(new FakePicture(type, width, height));
    return ax::MakeDispatch(picture.Get());
}

std::vector<uint8_t> BitmapBytes(int32_t width, int32_t height) {
    std::vector<uint8_t> out(54 + static_cast<size_t>((width * 3 + 3) / 4 * 4 * height), 0);
    auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    out[0] = 'B', out[1] = 'M';
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    out[26] = 1;
    out[28] = 24;
    return out;
}

class PathgroveCtrlTreeTest : public TreeFixture {
  protected:
    std::vector<std::u16string> CheckedWalk() {
        std::vector<std::u16string> labels;
        for (NodePtr node = Method(PGVC_FIRSTCHECKEDNODE); node; node = Method(PGVC_NEXTCHECKEDNODE))
            labels.push_back(Label(node.Get()));
        return labels;
    }
    int32_t Number(ax::DISPID id, std::initializer_list<ax::Variant> args) {
        return NumberMember(control.Get(), id, args);
    }
    double Block(const ItemIds& item) {
        return HandleToR8(ShellAllocator::Instance().Store(EncodeItemIdList(item)));
    }
};

} // namespace

TEST_F(PathgroveCtrlTreeTest, TheCheckedWalkGoesInPreOrderAndEndsAtADeletedCursor) {
    MakeDirs({"Music/Rock/Live", "Music/Jazz", "Other"});
    Start([&] {
        PutSetting(PGVC_SHOWCHECKBOXES, ax::MakeBool(true));
        PutSetting(PGVC_AUTOCHECKCHILDREN, ax::MakeBool(true));
    });
    EXPECT_FALSE(Method(PGVC_NEXTCHECKEDNODE));
    EXPECT_FALSE(Method(PGVC_FIRSTCHECKEDNODE));
    GetNode("Music/Rock/Live");
    SetChecked(GetNode("Music").Get(), true);
    SetChecked(GetNode("Other").Get(), true);
    EXPECT_EQ(CheckedWalk(), (std::vector<std::u16string>{u"Music", u"Jazz", u"Rock", u"Live", u"Other"}));
    NodePtr first = Method(PGVC_FIRSTCHECKEDNODE);
    NodePtr jazz = Method(PGVC_NEXTCHECKEDNODE);
    EXPECT_EQ(Call(jazz.Get(), PGVN_DELETE, ax::DISPATCH_METHOD, {}), ax::S_OK);
    EXPECT_FALSE(Method(PGVC_NEXTCHECKEDNODE));
}

TEST_F(PathgroveCtrlTreeTest, RootNodesGoWhereTheirPositionSays) {
    MakeDirs({"Music/Rock", "Other/x"});
    Start();
    const ItemIds music = {VirtualId(VI_HOME), NameId(IK_FOLDER, "Music", 0)};
    const ItemIds other = {VirtualId(VI_HOME), NameId(IK_FOLDER, "Other", 0)};
    auto add = [&](double pidl, int32_t position) {
        return Method(PGVC_ADDROOTNODE, {ax::MakeR8(pidl), ax::MakeI4(position)});
    };
    NodePtr last = add(Block(music), -1);
    ASSERT_TRUE(last);
    EXPECT_EQ(ChildLabels(last.Get()), std::vector<std::u16string>{u"Rock"}); // filled at once
    EXPECT_TRUE(add(Block(other), 0));
    EXPECT_TRUE(add(0, 2));
    EXPECT_FALSE(add(Block(music), 5));
    EXPECT_FALSE(add(Block(music), -2));
    std::vector<std::u16string> roots;
    const TreeView& view = control->Tree().View();
    for (TreeHandle root : view.Children(0))
        roots.push_back(view.Text(root));
    EXPECT_EQ(roots, (std::vector<std::u16string>{u"Other", u"Desktop", u"Desktop", u"Music"}));
}

TEST_F(PathgroveCtrlTreeTest, SelectionAndRootsFollowPathsListsAndSpecialFolders) {
    MakeDirs({"Music/Rock", "Music/Jazz"});
    Start();
    auto select = [&](const std::string& relative) {
        return Number(PGVC_SELECTNODE,
                      {ax::MakeBstr(ax::Utf8ToUtf16(Home(relative))), ax::MakeR8(0), ax::MakeBool(true)});
    };
    EXPECT_EQ(select("Music"), -1);
    EXPECT_EQ(Number(PGVC_SELECTCHILD, {ax::MakeBstr(u"Jazz"), ax::MakeR8(0)}), -1);
    EXPECT_EQ(Label(Method(PGVC_SELECTEDNODE).Get()), u"Jazz");
    EXPECT_EQ(Number(PGVC_SELECTCHILD, {ax::MakeBstr(u"jazz"), ax::MakeR8(0)}), 0);
    Method(PGVC_GOUP);
    EXPECT_EQ(Label(Method(PGVC_SELECTEDNODE).Get()), u"Music");
    ItemIds rock = {NameId(IK_FOLDER, "Rock", 0)};
    EXPECT_EQ(Number(PGVC_SELECTCHILD, {ax::MakeBstr(u""), ax::MakeR8(Block(rock))}), -1);
    EXPECT_EQ(Label(Method(PGVC_SELECTEDNODE).Get()), u"Rock");
    EXPECT_EQ(select("Missing"), 0);

    // A refresh rebuilds and selects the same folder again.
    Method(PGVC_REFRESHVIEW);
    EXPECT_EQ(Label(Method(PGVC_SELECTEDNODE).Get()), u"Rock");

    EXPECT_EQ(Call(control.Get(), PGVC_SETSPECIALFOLDERASROOT, ax::DISPATCH_METHOD, {ax::MakeI4(13)}),
              ax::S_OK);
    EXPECT_EQ(Outline(control.Get()), (std::vector<std::u16string>{u"Music", u"  Jazz", u"  Rock"}));
    ax::ScopedVariant root;
    EXPECT_EQ(Get(control.Get(), PGVC_ROOTFOLDER, &root), ax::S_OK);
    EXPECT_EQ(ax::BstrView(root.bstrVal), ax::Utf8ToUtf16(Home("Music")));
    EXPECT_EQ(control->IsDirty(), ax::S_OK);
    EXPECT_EQ(Call(control.Get(), PGVC_SETSPECIALFOLDERASROOT, ax::DISPATCH_METHOD, {ax::MakeI4(36)}),
              ax::E_INVALIDARG);
    EXPECT_EQ(Call(control.Get(), PGVC_RESETTODESKTOP, ax::DISPATCH_METHOD, {}), ax::S_OK);
    EXPECT_EQ(Outline(control.Get()).front(), u"Desktop");
}

TEST_F(PathgroveCtrlTreeTest, CustomNodesTakeTheirPlaceAndStayAheadOfShellNodes) {
    MakeDirs({"Music/Rock"});
    Start([&] {
        PutSetting(PGVC_SHOWCHECKBOXES, ax::MakeBool(true));
        PutSetting(PGVC_AUTOCHECKCHILDREN, ax::MakeBool(true));
    });
    NodePtr music = GetNode("Music/Rock");
    music = GetNode("Music");
    SetChecked(music.Get(), true);
    NodePtr rock = ChildNamed(music.Get(), u"Rock");
    auto add = [&](ax::IDispatch* relative, int32_t relation, const char16_t* text) {
        ax::ScopedVariant id;
        EXPECT_EQ(CallAndFree(control.Get(), PGVC_ADDCUSTOMNODE,
                              {ax::MakeR8(0), ax::MakeDispatch(relative), ax::MakeI4(relation),
                               ax::MakeBstr(text), ax::MakeI4(-1), ax::MakeI4(-1)},
                              &id),
                  ax::S_OK);
        return id.dblVal;
    };
    add(rock.Get(), PGV_NEXT, u"after");
    add(rock.Get(), 0, u"before"); // 0 acts as "before"
    add(rock.Get(), 9, u"next");   // 7 and more act as "after"
    double child = add(rock.Get(), PGV_LASTCHILD, u"inside");
    EXPECT_GT(child, 0);
    EXPECT_EQ(ChildLabels(music.Get()), (std::vector<std::u16string>{u"before", u"Rock", u"next", u"after"}));
    // A custom child of a checked folder is checked like any new child.
    NodePtr inside = Method(PGVC_GETNODEFROMID, {ax::MakeR8(child)});
    EXPECT_EQ(CheckState(inside.Get()), CS_CHECKED);
    EXPECT_EQ(Call(music.Get(), PGVN_REFRESHCHILDREN, ax::DISPATCH_METHOD, {}), ax::S_OK);
    EXPECT_EQ(ChildLabels(music.Get()), (std::vector<std::u16string>{u"before", u"next", u"after", u"Rock"}));
    EXPECT_FALSE(Method(PGVC_GETNODEFROMID, {ax::MakeR8(child + 1e9)}));
}

TEST_F(PathgroveCtrlTreeTest, HitTestsWriteTheirFlagsOnlyWhenAsked) {
    Start();
    int32_t flags = 0;
    NodePtr desktop = Method(PGVC_HITTEST, {ax::MakeByRef(ax::VT_I4, &flags), ax::MakeR4(40), ax::MakeR4(5)});
    ASSERT_TRUE(desktop);
    EXPECT_EQ(Label(desktop.Get()), u"Desktop");
    EXPECT_EQ(flags, static_cast<int32_t>(TVHT_ONITEMLABEL));
    flags = 12345;
    ax::Variant missing;
    ax::VariantInit(&missing);
    missing.vt = ax::VT_ERROR;
    missing.scode = ax::DISP_E_PARAMNOTFOUND;
    EXPECT_FALSE(Method(PGVC_HITTEST, {missing, ax::MakeR4(5), ax::MakeR4(590)}));
    EXPECT_EQ(flags, 12345);
    EXPECT_FALSE(Method(PGVC_HITTEST, {ax::MakeByRef(ax::VT_I4, &flags), ax::MakeR4(5), ax::MakeR4(590)}));
    EXPECT_EQ(flags, static_cast<int32_t>(TVHT_NOWHERE));
    // A point that fits no integer is refused, its flags left alone.
    flags = 12345;
    for (float bad : {std::nanf(""), INFINITY, 1e20F, -3e9F}) {
        EXPECT_EQ(Call(control.Get(), PGVC_HITTEST, ax::DISPATCH_METHOD,
                       {ax::MakeByRef(ax::VT_I4, &flags), ax::MakeR4(5), ax::MakeR4(bad)}),
                  ax::E_INVALIDARG)
            << bad;
    }
    EXPECT_EQ(flags, 12345);
}

TEST_F(PathgroveCtrlTreeTest, ImagesComeFromPicturesOrFilesByTheirSuffix) {
    std::vector<uint8_t> bitmap = BitmapBytes(16, 16);
    std::filesystem::create_directories(dir.File("my.icons"));
    testsupport::WriteFileText(dir.File("my.icons/a.bmp"), std::string(bitmap.begin(), bitmap.end()));
    testsupport::WriteFileText(dir.File("a.BMP"), std::string(bitmap.begin(), bitmap.end()));
    testsupport::WriteFileText(dir.File("fake.ico"), std::string(bitmap.begin(), bitmap.end()));
    testsupport::WriteFileText(dir.File("a.txt"), std::string(bitmap.begin(), bitmap.end()));
    Start();
    auto addIcon = [&](const std::string& path, ax::Variant picture) {
        return Number(PGVC_ADDCUSTOMICON, {ax::MakeBstr(ax::Utf8ToUtf16(path)), picture});
    };
    ax::Variant none = ax::MakeDispatch(nullptr);
    int32_t first = addIcon(dir.File("my.icons/a.bmp"), none);
    EXPECT_GE(first, 0);
    EXPECT_EQ(control->Images().At(first)->width, 16);
    EXPECT_EQ(addIcon(dir.File("a.BMP"), none), first + 1);
    EXPECT_EQ(addIcon(dir.File("fake.ico"), none), -1); // a bitmap in an icon's name
    EXPECT_EQ(addIcon(dir.File("a.txt"), none), -1);
    EXPECT_EQ(addIcon(dir.File("missing.bmp"), none), -1);
    EXPECT_EQ(addIcon("", Picture(PICTYPE_ICON, 32, 32)), first + 2);
    EXPECT_EQ(addIcon("", Picture(2, 32, 32)), -1);

    // Check-box strips: five cells of the given width at the least.
    auto strip = [&](ax::Variant picture, int32_t width) {
        return Call(control.Get(), PGVC_SETCHECKBOXBITMAPS, ax::DISPATCH_METHOD,
                    {picture, ax::MakeI4(width), ax::MakeI4(0xFFFFFF)});
    };
    ax::Variant pictures[] = {Picture(PICTYPE_BITMAP, 85, 13), Picture(PICTYPE_BITMAP, 85, 13),
                              Picture(PICTYPE_BITMAP, 85, 13), Picture(PICTYPE_ICON, 85, 13),
                              Picture(PICTYPE_BITMAP, 80, 13)};
    EXPECT_EQ(strip(pictures[0], 0), ax::E_INVALIDARG);
    EXPECT_EQ(strip(pictures[1], 18), ax::E_INVALIDARG);
    EXPECT_EQ(strip(pictures[3], 16), ax::E_INVALIDARG);
    EXPECT_EQ(strip(none, 16), ax::E_INVALIDARG);
    EXPECT_EQ(control->Tree().View().Geometry().stateImageWidth, 17);
    EXPECT_EQ(strip(pictures[4], 16), ax::S_OK);
    EXPECT_EQ(control->Tree().View().Geometry().stateImageWidth, 16);
    EXPECT_EQ(strip(pictures[2], -3), ax::E_INVALIDARG);
    for (ax::Variant& picture : pictures)
        ax::VariantClear(&picture);
}

TEST_F(PathgroveCtrlTreeTest, InitializeNamesTheRootAndTheControlFreesTheListItWasGiven) {
    MakeDirs({"Music/Rock", "Other"});
    struct Case {
        const char* what;
        std::string path;
        bool list;
        std::u16string root;
    };
    const Case cases[] = {
        {"path", Home("Music"), false, u"Music"},
        {"path and list", Home("Music"), true, u"Music"},
        {"list", "", true, u"Other"},
        {"unparsable path and list", Home("Missing"), true, u"Other"},
        {"nothing", "", false, u"Desktop"},
    };
    for (const Case& c : cases) {
        uint64_t block = c.list ? ShellAllocator::Instance().Store(
                                      EncodeItemIdList({VirtualId(VI_HOME), NameId(IK_FOLDER, "Other", 0)}))
                                : 0;
        events->handler = [&](ax::DISPID id, ax::DispParams* params) {
            if (id != PGVE_INITIALIZE)
                return;
            WriteByRef(params->args[0], ax::MakeBstr(ax::Utf8ToUtf16(c.path)));
            WriteByRef(params->args[1], ax::MakeR8(HandleToR8(block)));
        };
        Start();
        EXPECT_EQ(Outline(control.Get()).front(), c.root) << c.what;
        ItemIdList bytes;
        EXPECT_FALSE(ShellAllocator::Instance().Find(block, &bytes)) << c.what;
        control->Close();
    }
}

TEST_F(PathgroveCtrlTreeTest, SettingsRebuildOrRestyleTheWindow) {
    MakeDirs({"Music/Rock"});
    Start();
    const TreeView& view = control->Tree().View();
    GetNode("Music/Rock");
    EXPECT_EQ(CheckState(GetNode("Music").Get()), CS_NOCHECKBOXES);
    PutSetting(PGVC_SHOWCHECKBOXES, ax::MakeBool(true));
    EXPECT_EQ(Outline(control.Get()).size(), 4u); // rebuilt: Desktop, Home, Computer, Trash
    EXPECT_EQ(CheckState(GetNode("Music").Get()), CS_UNCHECKED);

    PutSetting(PGVC_HASLINESATROOT, ax::MakeBool(true));
    EXPECT_TRUE(view.Style() & TVS_LINESATROOT);
    PutSetting(PGVC_INDENT, ax::MakeI4(30));
    EXPECT_EQ(view.Geometry().indent, 30);
    ax::ScopedVariant font;
    ASSERT_EQ(Get(control.Get(), PGVC_FONT, &font), ax::S_OK);
    EXPECT_EQ(pgvtest::Put(font.pdispVal, PGVF_NAME, ax::MakeBstr(u"Serif")), ax::S_OK);
    EXPECT_EQ(control->Tree().Font().name, u"Serif");

    ax::ScopedVariant before, after;
    ASSERT_EQ(Get(control.Get(), PGVC_WINDOWHANDLE, &before), ax::S_OK);
    PutSetting(PGVC_SHELLIMAGELISTTYPE, ax::MakeI4(1));
    ASSERT_EQ(Get(control.Get(), PGVC_WINDOWHANDLE, &after), ax::S_OK);
    EXPECT_NE(after.lVal, before.lVal);
    EXPECT_NE(after.lVal, 0);
    EXPECT_EQ(control->Tree().View().Geometry().itemHeight, 34);
    EXPECT_EQ(control->Tree().Rect().bottom, 600);
    ax::ScopedVariant visible;
    ASSERT_EQ(Get(control.Get(), PGVC_VISIBLECOUNT, &visible), ax::S_OK);
    EXPECT_EQ(visible.lVal, 600 / 34);

    // With ExpandSelectedNode a new root is selected but left closed.
    PutSetting(PGVC_EXPANDSELECTEDNODE, ax::MakeBool(true));
    PutSetting(PGVC_ROOTFOLDER, ax::MakeBstr(ax::Utf8ToUtf16(Home("Music"))));
    EXPECT_EQ(Outline(control.Get()), std::vector<std::u16string>{u"Music"});
    EXPECT_TRUE(NumberMember(Method(PGVC_SELECTEDNODE).Get(), PGVN_SELECTED));
}
