// What the host sees fire: expansion, clicks, check gestures, keyboard
// selection, info tips, and handlers that change the tree or drop the
// control while an event is under way.
#include "foldertree/automation/Utf16.h"
#include "tests/foldertree/TreeFixture.h"

#include <new>
#include <stdexcept>

using namespace pgv;
using namespace pgvtest;

namespace {

// Rows are 18 pixels; top-level items start at x 0 (state image 0-16, icon
// 17-32, label from 33), their children one indent (19) further in.
constexpr int32_t kRow = 18;
constexpr int32_t kChildStateX = 19 + 5;
constexpr int32_t kChildLabelX = 19 + 17 + 16 + 5;

int32_t RowY(int32_t row) {
    return row * kRow + kRow / 2;
}

class TreeEventsTest : public TreeFixture {
  protected:
    // The dispids fired since the last call, stock events included.
    std::vector<ax::DISPID> Fired() {
        std::vector<ax::DISPID> ids;
        for (const EventRecorder::Fired& event : events->fired)
            ids.push_back(event.id);
        events->fired.clear();
        return ids;
    }
    void Input(uint32_t message, int32_t x, int32_t y, uint32_t code = 0) {
        EXPECT_EQ(control->TreeInput(message, code, 0, x, y), ax::S_OK);
    }
    void Click(int32_t x, int32_t y) {
        Input(IM_LBUTTONDOWN, x, y);
        Input(IM_LBUTTONUP, x, y);
    }
    void Key(uint32_t key) {
        Input(IM_KEYDOWN, 0, 0, key);
        Input(IM_KEYUP, 0, 0, key);
    }
};

} // namespace

TEST_F(TreeEventsTest, ExpansionAndClicksFireTheirEventsInOrder) {
    MakeDirs({"Music/Rock"});
    Start();
    NodePtr home = GetNode("");
    events->fired.clear();
    // Row 1 is Home: a double click expands it.
    Input(IM_LBUTTONDBLCLK, kChildLabelX, RowY(1));
    EXPECT_EQ(Fired(),
              (std::vector<ax::DISPID>{PGVE_DBLCLICK, PGVE_NODEDOUBLECLICK, PGVE_NODEEXPANDING,
                                       PGVE_ONAFTERNODEADD, PGVE_ONAFTERNODEADD, PGVE_NODEEXPANDED}));
    // A click on Music's label (row 3, under Desktop and Home).
    Click(kChildLabelX + 19, RowY(3));
    EXPECT_EQ(Fired(),
              (std::vector<ax::DISPID>{PGVE_MOUSEDOWN, PGVE_ONBEFORENODESELECT, PGVE_ONAFTERNODESELECT,
                                       PGVE_MOUSEUP, PGVE_CLICK, PGVE_NODECLICK}));
    EXPECT_EQ(events->Count(PGVE_NODECLICK), 0u);
    Input(IM_RBUTTONDOWN, kChildLabelX + 19, RowY(3));
    Input(IM_RBUTTONUP, kChildLabelX + 19, RowY(3));
    // The right click's menu is built (the site has no presenter to show it).
    EXPECT_EQ(Fired(), (std::vector<ax::DISPID>{PGVE_MOUSEDOWN, PGVE_MOUSEUP, PGVE_CLICK, PGVE_NODERIGHTCLICK,
                                                PGVE_ONCUSTOMCONTEXTMENUITEMADD, PGVE_ONCONTEXTMENUPOPUP}));
    // A cancelled collapse leaves the node expanded.
    events->cancel = {PGVE_NODECOLLAPSING};
    EXPECT_EQ(Put(home.Get(), PGVN_EXPANDED, ax::MakeBool(false)), ax::S_OK);
    EXPECT_EQ(Fired(), (std::vector<ax::DISPID>{PGVE_NODECOLLAPSING}));
    ax::ScopedVariant expanded;
    EXPECT_EQ(Get(home.Get(), PGVN_EXPANDED, &expanded), ax::S_OK);
    EXPECT_EQ(expanded.boolVal, ax::VARIANT_TRUE);
    events->cancel.clear();
    // The selection inside the collapsed branch moves to Home.
    EXPECT_EQ(Put(home.Get(), PGVN_EXPANDED, ax::MakeBool(false)), ax::S_OK);
    EXPECT_EQ(Fired(), (std::vector<ax::DISPID>{PGVE_NODECOLLAPSING, PGVE_NODECOLLAPSED,
                                                PGVE_ONBEFORENODESELECT, PGVE_ONAFTERNODESELECT}));
}

TEST_F(TreeEventsTest, CheckGesturesFireCheckingAndCheckedUnlessCancelled) {
    MakeDirs({"Music/Rock", "Music/Jazz"});
    Start([&] { PutSetting(PGVC_SHOWCHECKBOXES, ax::MakeBool(true)); });
    NodePtr music = GetNode("Music");
    ASSERT_EQ(Put(music.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
    NodePtr rock = ChildNamed(music.Get(), u"Rock");
    NodePtr home = GetNode("");
    events->fired.clear();

    // The property checks without a gesture's events, but every node it
    // recomputes is reported: Rock, Music, Home, Desktop.
    SetChecked(rock.Get(), true);
    EXPECT_EQ(events->Nodes(PGVE_ONQUERYNODECHECKSTATE),
              (std::vector<std::u16string>{u"Rock", u"Music", u"Home", u"Desktop"}));
    EXPECT_EQ(CheckState(music.Get()), CS_CHILDCHECKED);
    Fired();

    // Rows: Desktop, Home, Desktop (the folder), Music, Jazz, Rock.
    const int32_t rockRow = 5;
    Click(kChildStateX + 2 * 19, RowY(rockRow));
    EXPECT_EQ(Fired(), (std::vector<ax::DISPID>{PGVE_MOUSEDOWN, PGVE_NODECHECKING, PGVE_ONQUERYNODECHECKSTATE,
                                                PGVE_ONQUERYNODECHECKSTATE, PGVE_ONQUERYNODECHECKSTATE,
                                                PGVE_ONQUERYNODECHECKSTATE, PGVE_NODECHECKED, PGVE_MOUSEUP}));
    EXPECT_FALSE(IsChecked(rock.Get()));
    EXPECT_EQ(CheckState(music.Get()), CS_UNCHECKED);
    // The box click neither selected Rock nor counted as a click on it.
    ax::ScopedVariant selected;
    EXPECT_EQ(Get(rock.Get(), PGVN_SELECTED, &selected), ax::S_OK);
    EXPECT_EQ(selected.boolVal, ax::VARIANT_FALSE);

    events->cancel = {PGVE_NODECHECKING};
    Click(kChildStateX + 2 * 19, RowY(rockRow));
    EXPECT_FALSE(IsChecked(rock.Get()));
    EXPECT_EQ(events->Count(PGVE_NODECHECKED), 0u);
    events->cancel.clear();

    // Space checks the selected node; without a box the host keeps the key.
    EXPECT_EQ(Put(rock.Get(), PGVN_SELECTED, ax::MakeBool(true)), ax::S_OK);
    EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_SPACE), ax::S_OK);
    EXPECT_TRUE(IsChecked(rock.Get()));
    EXPECT_EQ(events->Count(PGVE_NODECHECKED), 1u);
    // A blank typed into a new name, or a key for a disabled control, is no
    // check gesture (Escape ends the edit the Space did not).
    EXPECT_EQ(Call(rock.Get(), PGVN_BEGINLABELEDIT, ax::DISPATCH_METHOD, {}), ax::S_OK);
    EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_SPACE), ax::S_FALSE);
    EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_ESCAPE), ax::S_OK);
    PutSetting(PGVC_ENABLED, ax::MakeBool(false));
    EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_SPACE), ax::S_FALSE);
    PutSetting(PGVC_ENABLED, ax::MakeBool(true));
    EXPECT_TRUE(IsChecked(rock.Get()));
    EXPECT_EQ(events->Count(PGVE_NODECHECKED), 1u);
    EXPECT_EQ(Put(rock.Get(), PGVN_SHOWCHECKBOX, ax::MakeBool(false)), ax::S_OK);
    EXPECT_EQ(control->PreTranslateKey(KM_KEYDOWN, VK_SPACE), ax::S_FALSE);
}

TEST_F(TreeEventsTest, KeyboardMovesWithinTheDelayFireOneAfterSelect) {
    MakeDirs({"L/01", "L/02", "L/03", "L/04", "L/05", "L/06", "L/07", "L/08", "L/09", "L/10", "L/11"});
    Start([&] { PutSetting(PGVC_SELECTIONDELAY, ax::MakeI4(600)); });
    NodePtr list = GetNode("L");
    ASSERT_EQ(Put(list.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
    NodePtr first = ChildNamed(list.Get(), u"01");
    ASSERT_EQ(Put(first.Get(), PGVN_SELECTED, ax::MakeBool(true)), ax::S_OK);
    events->fired.clear();
    for (int i = 0; i < 10; ++i) {
        Key(0x28); // down
        clock.Advance(100);
        Pump();
    }
    EXPECT_EQ(events->Count(PGVE_ONBEFORENODESELECT), 10u);
    EXPECT_EQ(events->Count(PGVE_ONAFTERNODESELECT), 0u);
    clock.Advance(600);
    Pump();
    EXPECT_EQ(events->Nodes(PGVE_ONAFTERNODESELECT), (std::vector<std::u16string>{u"11"}));
    // A key handler's CancelEvent swallows the key.
    events->handler = [&](ax::DISPID id, ax::DispParams*) {
        if (id == PGVE_KEYDOWN)
            pgvtest::Put(control.Get(), PGVC_CANCELEVENT, ax::MakeBool(true));
    };
    Key(0x26); // up
    EXPECT_EQ(events->Count(PGVE_ONBEFORENODESELECT), 10u);
}

TEST_F(TreeEventsTest, HandlersMayDeleteItemsOrDropTheControlMidEvent) {
    MakeDirs({"Music/Blues", "Music/Jazz", "Music/Rock", "Other"});
    Start([&] { PutSetting(PGVC_SHOWCHECKBOXES, ax::MakeBool(true)); });
    NodePtr music = GetNode("Music");
    // The folder being filled goes from its first child's event.
    events->handler = [&](ax::DISPID id, ax::DispParams*) {
        if (id == PGVE_ONAFTERNODEADD && events->fired.back().node == u"Blues") {
            EXPECT_EQ(Call(music.Get(), PGVN_DELETE, ax::DISPATCH_METHOD, {}), ax::S_OK);
        }
    };
    EXPECT_EQ(Put(music.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
    EXPECT_EQ(Label(music.Get()), u"");
    EXPECT_EQ(events->Nodes(PGVE_ONBEFORENODEDELETE), (std::vector<std::u16string>{u"Blues", u"Music"}));
    EXPECT_TRUE(GetNode("Other", false));
    music.Reset();

    // The host drops its last reference from inside an event of a call it
    // made (a double click that collapses Home); the call still ends in
    // order.
    CPathgroveCtrl* raw = control.Get();
    events->handler = [&](ax::DISPID id, ax::DispParams*) {
        if (id == PGVE_NODECOLLAPSED)
            control.Reset();
    };
    EXPECT_EQ(raw->TreeInput(IM_LBUTTONDBLCLK, 0, 0, kChildLabelX, RowY(1)), ax::S_OK);
    EXPECT_FALSE(control);
}

TEST_F(TreeEventsTest, ExceptionsFromBelowAnEntryPointBecomeResultCodes) {
    MakeDirs({"Music/Rock", "Other/Jazz"});
    Start();
    NodePtr music = GetNode("Music");
    bool outOfMemory = true;
    events->handler = [&](ax::DISPID id, ax::DispParams*) {
        if (id != PGVE_NODEEXPANDING)
            return;
        if (outOfMemory)
            throw std::bad_alloc();
        throw std::runtime_error("handler failed");
    };
    // The node's Invoke, the control's Invoke and its site contract.
    EXPECT_EQ(Put(music.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::E_OUTOFMEMORY);
    ax::ScopedVariant node;
    EXPECT_EQ(
        CallAndFree(control.Get(), PGVC_GETNODE,
                    {ax::MakeBstr(ax::Utf8ToUtf16(Home("Other/Jazz"))), ax::MakeR8(0), ax::MakeBool(true)},
                    &node),
        ax::E_OUTOFMEMORY);
    outOfMemory = false;
    EXPECT_EQ(control->TreeInput(IM_LBUTTONDBLCLK, 0, 0, kChildLabelX + 19, RowY(3)), ax::E_FAIL);
    events->handler = nullptr;
    EXPECT_TRUE(GetNode("Music/Rock"));
}

TEST_F(TreeEventsTest, InfoTipsShowThePathAndKeepAtMostTheTreesBuffer) {
    Start();
    ax::BSTR tip = nullptr;
    ASSERT_EQ(control->GetInfoTip(kChildLabelX, RowY(1), &tip), ax::S_OK);
    EXPECT_EQ(ax::BstrView(tip), ax::Utf8ToUtf16(Home()));
    ax::FreeBstr(tip);
    events->handler = [&](ax::DISPID id, ax::DispParams* params) {
        if (id == PGVE_ONGETINFOTIP)
            WriteByRef(params->args[1], ax::MakeBstr(std::u16string(5000, u'x')));
    };
    ASSERT_EQ(control->GetInfoTip(kChildLabelX, RowY(1), &tip), ax::S_OK);
    EXPECT_EQ(ax::BstrLength(tip), kMaxInfoTipUnits);
    ax::FreeBstr(tip);
    EXPECT_EQ(control->GetInfoTip(kChildLabelX, RowY(20), &tip), ax::S_FALSE);
    PutSetting(PGVC_SHOWINFOTIPS, ax::MakeBool(false));
    EXPECT_EQ(control->GetInfoTip(kChildLabelX, RowY(1), &tip), ax::S_FALSE);
}
