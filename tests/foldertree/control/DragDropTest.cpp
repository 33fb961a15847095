// Drags as the host delivers them: a node dragged with the mouse through
// the host's drag loop and dropped on another folder, the host's say in
// the drag events, drags from elsewhere, and the hover and scroll timers
// on the test's clock.
#include "foldertree/automation/Utf16.h"
#include "foldertree/dragdrop/DataObject.h"
#include "foldertree/dragdrop/DropData.h"
#include "tests/foldertree/TreeFixture.h"

#include <filesystem>

using namespace pgv;
using namespace pgvtest;

namespace {

class DragDropTest : public TreeFixture {
  protected:
    // Drags `node` with a button (MK_LBUTTON or MK_RBUTTON) and, in the
    // host's loop, drops it on `target` with `keys` held.
    void DragOnto(ax::IDispatch* node, ax::IDispatch* target, uint32_t button, uint32_t keys = 0) {
        int32_t x = 0, y = 0, tx = 0, ty = 0;
        LabelPointOf(control.Get(), node, &x, &y);
        LabelPointOf(control.Get(), target, &tx, &ty);
        presenter->dragLoop = [&](IPgvDataObject* data, uint32_t) {
            uint32_t effect = 0;
            EXPECT_EQ(control->DragEnter(data, button | keys, x, y, &effect), ax::S_OK);
            EXPECT_EQ(control->DragOver(button | keys, tx, ty, &over), ax::S_OK);
            hilited = control->Tree().View().State(ItemOf(target), TVIS_DROPHILITED) != 0;
            EXPECT_EQ(control->Drop(data, keys, tx, ty, &effect), ax::S_OK);
            return effect;
        };
        const bool right = button == MK_RBUTTON;
        EXPECT_EQ(control->TreeInput(right ? IM_RBUTTONDOWN : IM_LBUTTONDOWN, 0, 0, x, y), ax::S_OK);
        EXPECT_EQ(control->TreeInput(IM_MOUSEMOVE, right ? BTN_RIGHT : BTN_LEFT, 0, x + 1, y + 1), ax::S_OK);
        EXPECT_EQ(control->TreeInput(IM_MOUSEMOVE, right ? BTN_RIGHT : BTN_LEFT, 0, x + 8, y), ax::S_OK);
        EXPECT_EQ(control->TreeInput(right ? IM_RBUTTONUP : IM_LBUTTONUP, 0, 0, x + 8, y), ax::S_OK);
    }
    bool Exists(const std::string& relative) const { return std::filesystem::exists(Home(relative)); }

    uint32_t over = 0;
    bool hilited = false;
};

} // namespace

TEST_F(DragDropTest, ALeftDragOfAFolderOntoASiblingMovesItAndNeverOverwrites) {
    MakeDirs({"A/x", "B/A", "C"});
    MakeFile("B/A/keep");
    Start();
    NodePtr a = GetNode("A"), b = GetNode("B"), c = GetNode("C");
    ASSERT_EQ(Put(b.Get(), PGVN_EXPANDED, ax::MakeBool(true)), ax::S_OK);
    int32_t presetEffects = 0, button = 0;
    events->handler = [&](ax::DISPID id, ax::DispParams* params) {
        if (id == PGVE_ONOLESTARTDRAG) {
            presetEffects = *static_cast<int32_t*>(params->args[2].byref);
            button = params->args[3].lVal;
        }
    };
    DragOnto(a.Get(), b.Get(), MK_LBUTTON);
    EXPECT_EQ(presetEffects, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    EXPECT_EQ(button, 1);
    EXPECT_EQ(presenter->dragsAllowed, (std::vector<uint32_t>{7}));
    EXPECT_EQ(over, DROPEFFECT_MOVE); // the same file system
    EXPECT_TRUE(hilited);
    EXPECT_FALSE(Exists("A"));
    EXPECT_TRUE(Exists("B/A (2)/x"));
    EXPECT_TRUE(Exists("B/A/keep"));
    EXPECT_FALSE(control->Tree().View().State(ItemOf(b.Get()), TVIS_DROPHILITED));
    EXPECT_EQ(ChildLabels(b.Get()), (std::vector<std::u16string>{u"A", u"A (2)"}));
    EXPECT_FALSE(GetNode("A", false));
    EXPECT_EQ(events->Count(PGVE_ONOLEDRAGDROP), 1u);

    // Ctrl copies; the host may narrow the effects a drag allows.
    events->handler = [&](ax::DISPID id, ax::DispParams* params) {
        if (id == PGVE_ONOLESTARTDRAG)
            *static_cast<int32_t*>(params->args[2].byref) = DROPEFFECT_COPY;
    };
    DragOnto(c.Get(), b.Get(), MK_LBUTTON, MK_CONTROL);
    EXPECT_EQ(presenter->dragsAllowed.back(), DROPEFFECT_COPY);
    EXPECT_TRUE(Exists("C"));
    EXPECT_TRUE(Exists("B/C"));

    // Across file systems a move is done once the copy is whole, though a
    // file of the source stays (with a warning).
    events->handler = nullptr;
    MakeFile("C/locked.mp3");
    MoveAcrossFileSystemsWithLockedFiles();
    DragOnto(c.Get(), b.Get(), MK_LBUTTON, MK_SHIFT);
    EXPECT_TRUE(Exists("B/C (2)/locked.mp3"));
    EXPECT_TRUE(Exists("C/locked.mp3"));
    EXPECT_EQ(presenter->notices.size(), 1u);
    for (const std::string& line : log)
        EXPECT_EQ(line.find("Cannot drop"), std::string::npos) << line;
}

TEST_F(DragDropTest, TheHostCancelsDragsOrTakesOverTheDrop) {
    MakeDirs({"A", "B"});
    Start();
    NodePtr a = GetNode("A"), b = GetNode("B");
    events->cancel = {PGVE_ONOLESTARTDRAG};
    DragOnto(a.Get(), b.Get(), MK_LBUTTON);
    EXPECT_TRUE(presenter->dragsAllowed.empty());

    // A drop the host performs itself leaves the disk alone; it added text
    // to the drag's data when it started.
    events->cancel.clear();
    std::u16string text;
    events->handler = [&](ax::DISPID id, ax::DispParams* params) {
        if (id == PGVE_ONOLESTARTDRAG)
            CallAndFree(params->args[0].pdispVal, PGVD_SETTEXT, {ax::MakeBstr(u"A folder")});
        if (id == PGVE_ONOLEDRAGDROP) {
            text = TextMember(params->args[0].pdispVal, PGVD_GETTEXT);
            *static_cast<ax::VARIANT_BOOL*>(params->args[7].byref) = ax::VARIANT_FALSE;
        }
    };
    DragOnto(a.Get(), b.Get(), MK_LBUTTON);
    EXPECT_EQ(text, u"A folder");
    EXPECT_TRUE(Exists("A"));
    EXPECT_FALSE(Exists("B/A"));

    // With the right button the drop asks, offering the allowed effects.
    events->handler = nullptr;
    presenter->chooseFromMenu = [](const std::vector<ScriptedPresenter::Entry>& menu) {
        return ScriptedPresenter::IdOf(menu, u"Create Link Here");
    };
    DragOnto(a.Get(), b.Get(), MK_RBUTTON);
    ASSERT_EQ(presenter->menus.size(), 1u);
    EXPECT_EQ(
        ScriptedPresenter::Captions(presenter->menus[0]),
        (std::vector<std::u16string>{u"&Copy Here", u"&Move Here", u"Create &Link Here", u"", u"Cancel"}));
    EXPECT_EQ(presenter->menus[0][1].state, MEF_DEFAULT);
    EXPECT_EQ(std::filesystem::read_symlink(Home("B/Link to A")), Home("A"));
}

TEST_F(DragDropTest, ADragFromElsewhereGetsNoEffect) {
    MakeDirs({"B"});
    MakeFile("outside.txt");
    Start();
    NodePtr b = GetNode("B");
    auto data = ax::ComPtr<DataStore>::Attach(new DataStore());
    ASSERT_EQ(data->PutBytes(CF_HDROP, EncodeDropFiles({Home("outside.txt")})), ax::S_OK);
    int32_t x = 0, y = 0;
    LabelPointOf(control.Get(), b.Get(), &x, &y);
    uint32_t effect = 7;
    EXPECT_EQ(control->DragEnter(data.Get(), MK_LBUTTON, x, y, &effect), ax::S_OK);
    EXPECT_EQ(effect, 0u);
    EXPECT_EQ(control->DragOver(MK_LBUTTON, x, y, &effect), ax::S_OK);
    EXPECT_EQ(effect, 0u);
    EXPECT_EQ(control->Drop(data.Get(), 0, x, y, &effect), ax::S_OK);
    EXPECT_EQ(effect, 0u);
    EXPECT_TRUE(Exists("outside.txt"));
    EXPECT_FALSE(Exists("B/outside.txt"));
}

TEST_F(DragDropTest, HoveringExpandsAfterTwoSecondsAndTheEdgesScroll) {
    MakeDirs({"B/inner", "C/inner"});
    for (int i = 0; i < 40; ++i)
        MakeDirs({("D" + std::to_string(i)).c_str()});
    Start();
    NodePtr b = GetNode("B"), c = GetNode("C");
    auto data = ax::ComPtr<DataStore>::Attach(new DataStore());
    int32_t bx = 0, by = 0, cx = 0, cy = 0;
    LabelPointOf(control.Get(), b.Get(), &bx, &by);
    LabelPointOf(control.Get(), c.Get(), &cx, &cy);
    uint32_t effect = 0;
    auto expanded = [&](const NodePtr& node) { return NumberMember(node.Get(), PGVN_EXPANDED) != 0; };
    ASSERT_EQ(control->DragEnter(data.Get(), MK_LBUTTON, bx, by, &effect), ax::S_OK);
    control->DragOver(MK_LBUTTON, bx, by, &effect);
    clock.Advance(1999);
    Pump();
    control->DragOver(MK_LBUTTON, cx, cy, &effect); // another item: the wait starts again
    clock.Advance(1999);
    Pump();
    EXPECT_FALSE(expanded(b));
    EXPECT_FALSE(expanded(c));
    clock.Advance(1);
    Pump();
    EXPECT_TRUE(expanded(c));

    // Within 10 pixels of the bottom the tree scrolls a row every 75 ms.
    const int32_t top = control->Tree().View().TopRow();
    control->DragOver(MK_LBUTTON, 100, 595, &effect);
    for (int tick = 0; tick < 3; ++tick) {
        clock.Advance(75);
        Pump();
    }
    EXPECT_EQ(control->Tree().View().TopRow(), top + 3);
    events->fired.clear();
    EXPECT_EQ(control->DragLeave(), ax::S_OK);
    clock.Advance(300);
    Pump();
    EXPECT_EQ(control->Tree().View().TopRow(), top + 3);
    EXPECT_EQ(events->Sequence(), (std::vector<ax::DISPID>{PGVE_ONOLEDRAGOVER}));
}
