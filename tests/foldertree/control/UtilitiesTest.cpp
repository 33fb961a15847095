// The utilities object: item-id lists as handles and as text, icons, and
// the file-name patterns.
#include "foldertree/automation/Utf16.h"
#include "tests/foldertree/TreeFixture.h"

#include <chrono>

using namespace pgv;
using namespace pgvtest;

namespace {

class UtilitiesTest : public TreeFixture {
  protected:
    void SetUp() override {
        TreeFixture::SetUp();
        MakeDirs({"Music"});
        MakeFile("a.mp3");
        Start();
        utilities = Method(PGVC_UTILITIES);
        ASSERT_TRUE(utilities);
    }
    double Pidl(ax::DISPID id, std::initializer_list<ax::Variant> args) {
        ax::ScopedVariant result;
        EXPECT_EQ(CallAndFree(utilities.Get(), id, args, &result), ax::S_OK) << id;
        return result.dblVal;
    }
    std::u16string Text(ax::DISPID id, std::initializer_list<ax::Variant> args) {
        return TextMember(utilities.Get(), id, args);
    }
    int32_t Number(ax::DISPID id, std::initializer_list<ax::Variant> args) {
        return NumberMember(utilities.Get(), id, args);
    }

    NodePtr utilities;
};

} // namespace

TEST_F(UtilitiesTest, ListTextHasTwoLettersAByteAndDecodesOnlyWholeLists) {
    struct Case {
        const char16_t* text;
        bool decodes;
    };
    const Case cases[] = {
        {u"aaaa", true},              // the empty list: the terminator alone
        {u"agaadbaagnaaaaaa", true},  // one entry "m"
        {u"", false},                 // nothing
        {u"aaa", false},              // an odd length
        {u"aaaq", false},             // a letter beyond 'p'
        {u"agaadbaagnaa", false},     // no terminator
        {u"aaaaaaaa", false},         // bytes after the terminator
        {u"aeaadbaagnaaaaaa", false}, // an entry shorter than its header
    };
    for (const Case& c : cases) {
        double handle = Pidl(PGVU_PIDLDECODE, {ax::MakeBstr(c.text)});
        EXPECT_EQ(handle != 0, c.decodes) << ax::Utf16ToUtf8(c.text);
        if (c.decodes) {
            EXPECT_EQ(Text(PGVU_PIDLENCODE, {ax::MakeR8(handle)}), c.text);
            Pidl(PGVU_PIDLFREE, {ax::MakeR8(handle)});
        }
    }
    EXPECT_EQ(Text(PGVU_PIDLENCODE, {ax::MakeR8(0)}), u"");
}

TEST_F(UtilitiesTest, ListHandlesAreCheckedSplitJoinedComparedAndFreedOnce) {
    double music = Pidl(PGVU_PIDLFROMPATH, {ax::MakeBstr(ax::Utf8ToUtf16(Home("Music")))});
    ASSERT_NE(music, 0);
    EXPECT_EQ(Text(PGVU_GETDISPLAYNAMEFROMPIDL, {ax::MakeR8(music), ax::MakeI4(SHGDN_INFOLDER)}), u"Music");
    EXPECT_EQ(Text(PGVU_PATHFROMPIDL, {ax::MakeR8(music)}), ax::Utf8ToUtf16(Home("Music")));
    EXPECT_EQ(Text(PGVU_PATHFROMPIDL, {ax::MakeR8(0)}), ax::Utf8ToUtf16(Home("Desktop")));
    EXPECT_EQ(Pidl(PGVU_PIDLFROMPATH, {ax::MakeBstr(u"/no/such/folder")}), 0);

    double parent = 0, child = 0;
    EXPECT_EQ(Call(utilities.Get(), PGVU_PIDLSPLIT, ax::DISPATCH_METHOD,
                   {ax::MakeR8(music), ax::MakeByRef(ax::VT_R8, &parent), ax::MakeByRef(ax::VT_R8, &child)}),
              ax::S_OK);
    EXPECT_EQ(Text(PGVU_PATHFROMPIDL, {ax::MakeR8(parent)}), ax::Utf8ToUtf16(Home()));
    double joined = Pidl(PGVU_PIDLCONCAT, {ax::MakeR8(parent), ax::MakeR8(child)});
    EXPECT_EQ(Number(PGVU_PIDLCOMPARE, {ax::MakeR8(joined), ax::MakeR8(music)}), 0);
    EXPECT_EQ(Number(PGVU_PIDLCOMPARE, {ax::MakeR8(parent), ax::MakeR8(music)}), -1);
    EXPECT_EQ(Number(PGVU_PIDLCOMPARE, {ax::MakeR8(0), ax::MakeR8(music)}), 0);
    // Home is one entry: its parent is the desktop.
    double split[2] = {1, 1};
    EXPECT_EQ(
        Call(utilities.Get(), PGVU_PIDLSPLIT, ax::DISPATCH_METHOD,
             {ax::MakeR8(parent), ax::MakeByRef(ax::VT_R8, &split[0]), ax::MakeByRef(ax::VT_R8, &split[1])}),
        ax::S_OK);
    EXPECT_EQ(split[0], 0);
    EXPECT_EQ(Text(PGVU_PIDLENCODE, {ax::MakeR8(split[1])}), Text(PGVU_PIDLENCODE, {ax::MakeR8(parent)}));
    ax::HRESULT raised = 0;
    EXPECT_EQ(
        Call(utilities.Get(), PGVU_PIDLSPLIT, ax::DISPATCH_METHOD, {ax::MakeR8(music)}, nullptr, &raised),
        ax::DISP_E_EXCEPTION);
    EXPECT_EQ(raised, ax::ControlError(1000));

    // Freeing twice, or a number that never named a list, is ignored; the
    // freed handle names nothing.
    for (int i = 0; i < 2; ++i)
        Pidl(PGVU_PIDLFREE, {ax::MakeR8(music)});
    Pidl(PGVU_PIDLFREE, {ax::MakeR8(987654321)});
    EXPECT_EQ(CallAndFree(utilities.Get(), PGVU_PIDLENCODE, {ax::MakeR8(music)}), ax::E_INVALIDARG);
    EXPECT_EQ(CallAndFree(utilities.Get(), PGVU_PATHFROMPIDL, {ax::MakeR8(0.5)}), ax::E_INVALIDARG);
    EXPECT_EQ(Pidl(PGVU_GETSPECIALFOLDERPIDL, {ax::MakeI4(0)}), 0);
    double profile = Pidl(PGVU_GETSPECIALFOLDERPIDL, {ax::MakeI4(40)});
    EXPECT_EQ(Text(PGVU_PATHFROMPIDL, {ax::MakeR8(profile)}), ax::Utf8ToUtf16(Home()));
    EXPECT_EQ(Text(PGVU_GETSPECIALFOLDERPATH, {ax::MakeI4(13)}), ax::Utf8ToUtf16(Home("Music")));
}

TEST_F(UtilitiesTest, IconsComeInThreeSizesAndIndicesOfTheTreesList) {
    double song = Pidl(PGVU_PIDLFROMPATH, {ax::MakeBstr(ax::Utf8ToUtf16(Home("a.mp3")))});
    const int32_t himetric[] = {423, 847, 1270}; // 16, 32 and 48 pixels
    for (int32_t type = 0; type < 3; ++type) {
        NodePtr picture =
            NodeMember(utilities.Get(), PGVU_GETSHELLICONFROMPIDL, {ax::MakeR8(song), ax::MakeI4(type)});
        ASSERT_TRUE(picture) << type;
        EXPECT_EQ(NumberMember(picture.Get(), PGVP_WIDTH), himetric[type]);
        EXPECT_EQ(NumberMember(picture.Get(), PGVP_TYPE), PICTYPE_ICON);
        EXPECT_EQ(TextMember(picture.Get(), PGVP_ICONNAME), u"audio-x-generic");
    }
    EXPECT_FALSE(NodeMember(utilities.Get(), PGVU_GETSHELLICONFROMPIDL, {ax::MakeR8(song), ax::MakeI4(3)}));
    NodePtr music = GetNode("Music");
    NodePtr folderIcon = NodeMember(music.Get(), PGVN_GETSHELLICON, {ax::MakeI4(PGV_SHELLICON_LARGE)});
    EXPECT_EQ(TextMember(folderIcon.Get(), PGVP_ICONNAME), u"folder");

    int32_t fromExtension = Number(PGVU_GETSYSTEMICONINDEXFROMEXTENSION, {ax::MakeBstr(u".mp3")});
    EXPECT_EQ(Number(PGVU_GETSYSTEMICONINDEXFROMEXTENSION, {ax::MakeBstr(u"mp3")}), fromExtension);
    EXPECT_EQ(Number(PGVU_GETSYSTEMICONINDEXFROMPATH, {ax::MakeBstr(ax::Utf8ToUtf16(Home("a.mp3")))}),
              fromExtension);
    EXPECT_EQ(control->Images().At(fromExtension)->iconName, "audio-x-generic");
    EXPECT_EQ(Number(PGVU_GETSTANDARDSYSTEMICONINDEX, {ax::MakeI4(1)}), -1);
    int32_t application = Number(PGVU_GETSTANDARDSYSTEMICONINDEX, {ax::MakeI4(SIT_APPLICATION)});
    EXPECT_EQ(control->Images().At(application)->iconName, "application-x-executable");
}

TEST_F(UtilitiesTest, FileNamePatternsMatchWithoutCaseAndWithoutBacktrackingForever) {
    struct Case {
        const char16_t* name;
        const char16_t* pattern;
        bool matches;
    };
    const std::u16string manyStars = [] {
        std::u16string text;
        for (int i = 0; i < 50; ++i)
            text += u"*a";
        return text + u"b";
    }();
    const std::u16string longName(5000, u'a');
    const Case cases[] = {
        {u"README", u"*.*", true},
        {u"Song.MP3", u"*.mp3", true},
        {u"song.mp3", u"*.txt; *.Mp3", true},
        {u"abc", u"a?c", true},
        {u"ac", u"a?c", false},
        {u"song.mp3", u"*.m4a", false},
        {u"x", u"", false},
        {longName.c_str(), manyStars.c_str(), false},
        {longName.c_str(), u"*a*a*a", true},
    };
    auto started = std::chrono::steady_clock::now();
    for (const Case& c : cases)
        EXPECT_EQ(Number(PGVU_DOESFILENAMEMATCHWILDCARD, {ax::MakeBstr(c.name), ax::MakeBstr(c.pattern)}) !=
                      0,
                  c.matches)
            << ax::Utf16ToUtf8(c.pattern).substr(0, 20);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}
