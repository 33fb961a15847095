// The shared-folders dialog's use of the control, against the built
// library loaded through the manifest: stored shares checked through
// GetNode and Checked, the user's check gestures with the dialog's
// NodeChecked handler, and the checked walk that gives the chosen folders.
#include "foldertree/automation/Utf16.h"
#include "foldertree/host/Activator.h"
#include "tests/foldertree/TreeFixture.h"

#include <filesystem>

using namespace pgv;
using namespace pgvtest;

namespace {

class DialogSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* folder : {"Desktop", "Audio", "Music/Blues", "Music/Jazz", "Music/Rock"})
            std::filesystem::create_directories(Home(folder));
        std::filesystem::create_directories(dir.File("config"));
        testsupport::WriteFileText(dir.File("config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n");
        ASSERT_EQ(activator.CreateInstance(CLSID_Pathgrove, DIID__DPathgrove, tree.OutVoid()), ax::S_OK)
            << activator.LastError();
        ASSERT_EQ(tree->QueryInterface(IID_IPgvControl, control.OutVoid()), ax::S_OK);
        site = ax::ComPtr<pgvhost::HostSite>::Attach(new pgvhost::HostSite());
        ASSERT_EQ(control->SetClientSite(site.Get()), ax::S_OK);
        ASSERT_EQ(control->InitNew(), ax::S_OK);
        // The dialog's property data shows check boxes.
        ASSERT_EQ(Put(tree.Get(), PGVC_SHOWCHECKBOXES, ax::MakeBool(true)), ax::S_OK);
        events = ax::ComPtr<EventRecorder>::Attach(new EventRecorder());
        events->handler = [this](ax::DISPID id, ax::DispParams* params) {
            if (id == PGVE_NODECHECKED)
                OnNodeChecked(params->args[0].pdispVal);
        };
        ax::ComPtr<ax::IConnectionPointContainer> points;
        ax::ComPtr<ax::IConnectionPoint> point;
        ASSERT_EQ(tree->QueryInterface(ax::IID_IConnectionPointContainer, points.OutVoid()), ax::S_OK);
        ASSERT_EQ(points->FindConnectionPoint(DIID__DPathgroveEvents, point.Out()), ax::S_OK);
        uint32_t cookie = 0;
        ASSERT_EQ(point->Advise(events.Get(), &cookie), ax::S_OK);
        const PgvRect rect = {0, 0, 400, 600};
        ASSERT_EQ(control->Activate(0, &rect), ax::S_OK);
    }

    void TearDown() override {
        if (control)
            control->Close();
    }

    std::string Home(const std::string& relative = "") const {
        return relative.empty() ? dir.File("home") : dir.File("home/" + relative);
    }

    NodePtr Method(ax::DISPID id, std::initializer_list<ax::Variant> args = {}) {
        return NodeMember(tree.Get(), id, args);
    }

    int32_t Summary(ax::IDispatch* node) {
        ax::ScopedVariant summary;
        EXPECT_EQ(Call(node, PGVN_GETCHILDRENCHECKSTATE, ax::DISPATCH_METHOD, {}, &summary), ax::S_OK);
        return summary.lVal;
    }

    // The dialog's handler: each ancestor shows what its children hold.
    void OnNodeChecked(ax::IDispatch* checked) {
        for (NodePtr up = NodeMember(checked, PGVN_PARENT); up; up = NodeMember(up.Get(), PGVN_PARENT)) {
            int32_t state = 0;
            switch (Summary(up.Get())) {
            case PGV_ALLCHECKED:
                state = CS_SELFANDCHILDCHECKED;
                break;
            case PGV_ALLUNCHECKED:
                state = CS_UNCHECKED;
                break;
            case PGV_SOMECHECKED:
                state = CS_CHILDCHECKED;
                break;
            default:
                continue;
            }
            EXPECT_EQ(Put(up.Get(), PGVN_CHECKSTATE, ax::MakeI4(state)), ax::S_OK);
        }
    }

    // The dialog's OK: a checked node counts unless its parent has all of
    // its children checked (the parent stands for them).
    std::vector<std::string> ChosenFolders() {
        std::vector<std::string> folders;
        for (NodePtr node = Method(PGVC_FIRSTCHECKEDNODE); node; node = Method(PGVC_NEXTCHECKEDNODE)) {
            NodePtr parent = NodeMember(node.Get(), PGVN_PARENT);
            if (!parent || Summary(parent.Get()) == PGV_ALLCHECKED)
                continue;
            ax::ScopedVariant path;
            EXPECT_EQ(Get(node.Get(), PGVN_PATH, &path), ax::S_OK);
            folders.push_back(ax::Utf16ToUtf8(ax::BstrView(path.bstrVal)));
        }
        return folders;
    }

    void Share(const std::string& relative) {
        NodePtr node = Method(
            PGVC_GETNODE, {ax::MakeBstr(ax::Utf8ToUtf16(Home(relative))), ax::MakeR8(0), ax::MakeBool(true)});
        ASSERT_TRUE(node) << relative;
        SetChecked(node.Get(), true);
    }

    // The user selects a folder and presses Space.
    void CheckByKeyboard(const std::string& relative) {
        ax::ScopedVariant selected;
        ASSERT_EQ(
            CallAndFree(tree.Get(), PGVC_SELECTNODE,
                        {ax::MakeBstr(ax::Utf8ToUtf16(Home(relative))), ax::MakeR8(0), ax::MakeBool(false)},
                        &selected),
            ax::S_OK);
        ASSERT_EQ(selected.boolVal, ax::VARIANT_TRUE) << relative;
        EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_SPACE), ax::S_OK);
    }

    testsupport::TempDir dir;
    testsupport::ScopedEnv home{"HOME", dir.File("home")};
    testsupport::ScopedEnv config{"XDG_CONFIG_HOME", dir.File("config")};
    pgvhost::Activator activator;
    ax::ComPtr<ax::IDispatch> tree;
    ax::ComPtr<IPgvControl> control;
    ax::ComPtr<pgvhost::HostSite> site;
    ax::ComPtr<EventRecorder> events;
};

} // namespace

TEST_F(DialogSequenceTest, StoredSharesAndUserChecksComeBackAsTheChosenFolders) {
    ASSERT_EQ(Put(tree.Get(), PGVC_AUTOCHECKCHILDREN, ax::MakeBool(true)), ax::S_OK);
    Share("Music/Rock");
    Share("Audio");
    EXPECT_EQ(events->Count(PGVE_NODECHECKED), 0u);
    EXPECT_EQ(ChosenFolders(), (std::vector<std::string>{Home("Audio"), Home("Music/Rock")}));

    CheckByKeyboard("Music/Jazz");
    EXPECT_EQ(events->Nodes(PGVE_NODECHECKED), std::vector<std::u16string>{u"Jazz"});
    EXPECT_EQ(ChosenFolders(),
              (std::vector<std::string>{Home("Audio"), Home("Music/Jazz"), Home("Music/Rock")}));

    // With all of its folders checked, Music stands for them.
    CheckByKeyboard("Music/Blues");
    EXPECT_EQ(ChosenFolders(), (std::vector<std::string>{Home("Audio"), Home("Music")}));

    // Unchecking Rock again gives the two that are left.
    CheckByKeyboard("Music/Rock");
    EXPECT_EQ(ChosenFolders(),
              (std::vector<std::string>{Home("Audio"), Home("Music/Blues"), Home("Music/Jazz")}));
    EXPECT_EQ(events->Count(PGVE_NODEEXPANDING), events->Count(PGVE_NODEEXPANDED));
}
