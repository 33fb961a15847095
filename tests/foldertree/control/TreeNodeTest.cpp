// The node object: what its members say about live items, and that every
// member of a node whose item was deleted answers nothing.
#include "foldertree/automation/Utf16.h"
#include "foldertree/shell/ShellAllocator.h"
#include "tests/foldertree/TreeFixture.h"

#include <filesystem>

using namespace pgv;
using namespace pgvtest;

namespace {

class TreeNodeTest : public TreeFixture {};

bool IsNothing(const ax::Variant& value) {
    switch (value.vt) {
    case ax::VT_EMPTY:
        return true;
    case ax::VT_DISPATCH:
        return value.pdispVal == nullptr;
    case ax::VT_BOOL:
        return value.boolVal == ax::VARIANT_FALSE;
    case ax::VT_I4:
        return value.lVal == 0;
    case ax::VT_R8:
        return value.dblVal == 0;
    case ax::VT_BSTR:
        return ax::BstrLength(value.bstrVal) == 0;
    default:
        return false;
    }
}

// A value of each parameter type for calling any member.
ax::Variant Argument(ax::VARTYPE vt) {
    switch (vt) {
    case ax::VT_BSTR:
        return ax::MakeBstr(u"x");
    case ax::VT_BOOL:
        return ax::MakeBool(true);
    case ax::VT_VARIANT:
        return ax::MakeBool(true);
    default:
        return ax::MakeI4(1);
    }
}

} // namespace

TEST_F(TreeNodeTest, EveryMemberOfADeletedNodeAnswersNothing) {
    MakeDirs({"Music/Rock"});
    Start([&] { PutSetting(PGVC_SHOWCHECKBOXES, ax::MakeBool(true)); });
    NodePtr music = GetNode("Music");
    NodePtr rock = GetNode("Music/Rock");
    EXPECT_EQ(Call(music.Get(), PGVN_DELETE, ax::DISPATCH_METHOD, {}), ax::S_OK);
    for (const ax::DispMemberInfo& member : node_members::kMembers) {
        std::vector<ax::Variant> args;
        for (uint8_t i = 0; i < member.paramCount; ++i)
            args.push_back(Argument(member.params[i].vt));
        ax::DispParams params = {args.data(), static_cast<uint32_t>(args.size())};
        ax::ScopedVariant result;
        ax::ExcepInfo excep = {};
        ax::HRESULT hr = rock->Invoke(member.id, ax::DISPATCH_METHOD | ax::DISPATCH_PROPERTYGET, &params,
                                      &result, &excep, nullptr);
        EXPECT_EQ(hr, ax::S_OK) << member.id;
        // A summary of 0 would say that all children are checked.
        if (member.id == PGVN_GETCHILDRENCHECKSTATE)
            EXPECT_EQ(result.lVal, PGV_NOCHILDREN);
        else
            EXPECT_TRUE(IsNothing(result)) << member.id;
        if (member.kind == ax::MK_PROPERTY) {
            EXPECT_EQ(Put(rock.Get(), member.id, Argument(member.vt)), ax::E_INVALIDARG) << member.id;
        }
        for (ax::Variant& arg : args)
            ax::VariantClear(&arg);
        ax::ClearExcepInfo(&excep);
    }
    EXPECT_FALSE(std::filesystem::exists(Home("Music/x"))); // CreateNewFolder made nothing
    EXPECT_TRUE(std::filesystem::exists(Home("Music/Rock")));
}

TEST_F(TreeNodeTest, LiveNodesDescribeTheirItems) {
    MakeDirs({"Music/Rock", "Real/Inner"});
    MakeFile("Music/song.mp3");
    std::filesystem::create_symlink(Home("Real"), Home("Music/Link"));
    std::filesystem::create_symlink(Home("Music/song.mp3"), Home("Music/song-link.mp3"));
    Start([&] { PutSetting(PGVC_SHOWFILES, ax::MakeBool(true)); });
    NodePtr music = GetNode("Music");
    EXPECT_FALSE(NodeMember(music.Get(), PGVN_CHILD, {ax::MakeBool(false)}));
    NodePtr first = NodeMember(music.Get(), PGVN_CHILD, {ax::MakeBool(true)});
    ASSERT_TRUE(first);
    EXPECT_EQ(Label(first.Get()), u"Link");
    EXPECT_EQ(NumberMember(music.Get(), PGVN_CHILDREN), 4);
    NodePtr rock = ChildNamed(music.Get(), u"Rock");
    EXPECT_EQ(NumberMember(rock.Get(), PGVN_SIBLINGS), 3);
    EXPECT_EQ(NumberMember(rock.Get(), PGVN_LEVEL), 4); // Desktop, Home, Music, Rock
    EXPECT_EQ(NumberMember(music.Get(), PGVN_ISSPECIALFOLDER, {ax::MakeI4(13)}), -1);
    EXPECT_EQ(NumberMember(rock.Get(), PGVN_ISSPECIALFOLDER, {ax::MakeI4(13)}), 0);
    EXPECT_EQ(TextMember(rock.Get(), PGVN_GETDISPLAYNAMEEX, {ax::MakeI4(SHGDN_FORPARSING)}),
              ax::Utf8ToUtf16(Home("Music/Rock")));

    // A link to a folder stands for its target; a link to a file is itself.
    EXPECT_EQ(TextMember(first.Get(), PGVN_PATH),
              ax::Utf8ToUtf16(std::filesystem::canonical(Home("Real")).string()));
    NodePtr fileLink = ChildNamed(music.Get(), u"song-link.mp3");
    EXPECT_EQ(TextMember(fileLink.Get(), PGVN_PATH), ax::Utf8ToUtf16(Home("Music/song-link.mp3")));
    // Links carry the shortcut overlay.
    int32_t overlay = NumberMember(fileLink.Get(), PGVN_OVERLAYICONINDEX);
    EXPECT_GE(overlay, 1);
    EXPECT_EQ(NumberMember(first.Get(), PGVN_OVERLAYICONINDEX), overlay);
    EXPECT_EQ(NumberMember(rock.Get(), PGVN_OVERLAYICONINDEX), 0);
    // The host's overlays take the next number of the same counter.
    ax::ScopedVariant next;
    EXPECT_EQ(Call(control.Get(), PGVC_SETOVERLAYICON, ax::DISPATCH_METHOD, {ax::MakeI4(0)}, &next),
              ax::S_OK);
    EXPECT_EQ(next.lVal, overlay + 1);

    // The list a node hands out names its item.
    ax::ScopedVariant pidl;
    ASSERT_EQ(Get(rock.Get(), PGVN_PIDL, &pidl), ax::S_OK);
    ItemIdList bytes;
    ItemIds item;
    ASSERT_TRUE(ShellAllocator::Instance().Find(static_cast<uint64_t>(pidl.dblVal), &bytes));
    ASSERT_TRUE(DecodeItemIdList(bytes.data(), bytes.size(), &item));
    EXPECT_TRUE(
        SameItems(item, {VirtualId(VI_HOME), NameId(IK_FOLDER, "Music", 0), NameId(IK_FOLDER, "Rock", 0)}));

    int32_t icon = NumberMember(rock.Get(), PGVN_ICONINDEX);
    EXPECT_EQ(Put(rock.Get(), PGVN_ICONINDEX, ax::MakeI4(77)), ax::S_OK);
    EXPECT_EQ(NumberMember(rock.Get(), PGVN_ICONINDEX), 77);
    EXPECT_EQ(Put(rock.Get(), PGVN_ICONINDEX, ax::MakeI4(-1)), ax::S_OK);
    EXPECT_EQ(NumberMember(rock.Get(), PGVN_ICONINDEX), icon);

    EXPECT_EQ(Put(rock.Get(), PGVN_USERDATA, ax::MakeBstr(u"kept")), ax::S_OK);
    EXPECT_EQ(TextMember(rock.Get(), PGVN_USERDATA), u"kept");
    EXPECT_EQ(NumberMember(GetNode("").Get(), PGVN_ISDESKTOP), 0);
    EXPECT_EQ(NumberMember(NodeMember(control.Get(), PGVC_GETFIRSTITEM).Get(), PGVN_ISDESKTOP), -1);
    EXPECT_FALSE(NodeMember(NodeMember(control.Get(), PGVC_GETFIRSTITEM).Get(), PGVN_PARENT));
}

TEST_F(TreeNodeTest, NewFoldersTakeTheFirstFreeNameAndOneComponent) {
    MakeDirs({"Music/New Folder"});
    Start();
    NodePtr music = GetNode("Music");
    auto create = [&](const std::u16string& name) {
        return NodeMember(music.Get(), PGVN_CREATENEWFOLDER, {ax::MakeBstr(name), ax::MakeBool(false)});
    };
    NodePtr made = create(u"");
    ASSERT_TRUE(made);
    EXPECT_EQ(Label(made.Get()), u"New Folder (1)");
    EXPECT_TRUE(std::filesystem::is_directory(Home("Music/New Folder (1)")));
    EXPECT_EQ(ChildLabels(music.Get()), (std::vector<std::u16string>{u"New Folder", u"New Folder (1)"}));
    EXPECT_FALSE(create(u"a/b"));
    EXPECT_FALSE(create(u".."));
    EXPECT_FALSE(std::filesystem::exists(Home("Music/a")));
    NodePtr named =
        NodeMember(music.Get(), PGVN_CREATENEWFOLDER, {ax::MakeBstr(u"Soul"), ax::MakeBool(true)});
    ASSERT_TRUE(named);
    EXPECT_TRUE(control->Tree().View().IsEditing());
    for (int i = 2; i <= kNewFolderNumbers; ++i)
        std::filesystem::create_directory(Home("Music/New Folder (" + std::to_string(i) + ")"));
    EXPECT_FALSE(create(u""));
}

TEST_F(TreeNodeTest, DeletingANodeRecomputesItsAncestorsAndTakesAnEmptyParentsButton) {
    MakeDirs({"Music/Rock", "Music/Jazz"});
    Start([&] { PutSetting(PGVC_SHOWCHECKBOXES, ax::MakeBool(true)); });
    NodePtr music = GetNode("Music");
    NodePtr rock = GetNode("Music/Rock"), jazz = GetNode("Music/Jazz");
    SetChecked(rock.Get(), true);
    EXPECT_EQ(CheckState(music.Get()), CS_CHILDCHECKED);
    EXPECT_EQ(Call(rock.Get(), PGVN_DELETE, ax::DISPATCH_METHOD, {}), ax::S_OK);
    EXPECT_EQ(CheckState(music.Get()), CS_UNCHECKED);
    EXPECT_EQ(CheckState(GetNode("").Get()), CS_UNCHECKED);
    EXPECT_EQ(Call(jazz.Get(), PGVN_DELETE, ax::DISPATCH_METHOD, {}), ax::S_OK);
    ax::ScopedVariant id;
    ASSERT_EQ(Get(music.Get(), PGVN_ID, &id), ax::S_OK);
    EXPECT_FALSE(control->Tree().View().HasButton(static_cast<TreeHandle>(id.dblVal)));
    // Deleting from the tree leaves the disk alone.
    EXPECT_TRUE(std::filesystem::is_directory(Home("Music/Rock")));
}
