#include "foldertree/tree/TreeView.h"
#include "foldertree/tree/TreeStyle.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace pgv;

namespace {

// Records notifications as text; refuses what `refuse` names.
class Recorder final : public TreeViewListener {
  public:
    bool OnItemExpanding(TreeHandle item, uint32_t action) override {
        Note("expanding " + Name(item) + (action == TVE_EXPAND ? " +" : " -"));
        return refuse != "expand";
    }
    void OnItemExpanded(TreeHandle item, uint32_t) override { Note("expanded " + Name(item)); }
    bool OnSelChanging(TreeHandle, TreeHandle to, uint32_t) override {
        Note("selecting " + Name(to));
        return refuse != "select";
    }
    void OnSelChanged(TreeHandle, TreeHandle to, uint32_t cause) override {
        Note("selected " + Name(to) + " by " + std::to_string(cause));
    }
    void OnDeleteItem(TreeHandle item, uint64_t) override {
        Note("delete " + Name(item));
        if (onDelete)
            onDelete(item);
    }
    bool OnBeginLabelEdit(TreeHandle item, std::u16string*) override {
        Note("edit " + Name(item));
        return true;
    }
    bool OnEndLabelEdit(TreeHandle item, const std::u16string* text) override {
        Note("edited " + Name(item) + (text ? " " + std::string(text->begin(), text->end()) : " abandoned"));
        return true;
    }
    void OnGetInfoTip(TreeHandle, std::u16string*) override {}

    std::string Name(TreeHandle item) const {
        std::u16string text = tree ? tree->Text(item) : u"";
        return item ? std::string(text.begin(), text.end()) : "none";
    }
    void Note(std::string line) { notes.push_back(std::move(line)); }
    std::vector<std::string> Take() { return std::exchange(notes, {}); }

    TreeView* tree = nullptr;
    std::string refuse;
    std::function<void(TreeHandle)> onDelete;
    std::vector<std::string> notes;
};

TreeItemInit Named(const char* text, bool hasChildren = false) {
    TreeItemInit init;
    init.text = std::u16string(text, text + std::char_traits<char>::length(text));
    init.hasChildren = hasChildren;
    return init;
}

struct Fixture {
    Fixture() : tree(&listener) { listener.tree = &tree; }
    TreeHandle Add(TreeHandle parent, const char* text, bool hasChildren = false) {
        return tree.Insert(parent, TreePlace::LAST, 0, Named(text, hasChildren));
    }
    Recorder listener;
    TreeView tree;
};

} // namespace

TEST(TreeViewTest, HandlesAreNeverReusedAndStaleOnesNameNothing) {
    Fixture f, other;
    TreeHandle a = f.Add(0, "a");
    TreeHandle b = f.Add(a, "b");
    ASSERT_TRUE(f.tree.Delete(a));
    EXPECT_EQ(f.listener.Take(), (std::vector<std::string>{"delete b", "delete a"}));
    TreeHandle again = f.Add(0, "a");
    EXPECT_NE(again, a);
    EXPECT_NE(other.Add(0, "x"), again);
    for (TreeHandle stale : {a, b}) {
        EXPECT_FALSE(f.tree.Exists(stale));
        EXPECT_EQ(f.tree.Text(stale), u"");
        EXPECT_EQ(f.tree.Parent(stale), 0u);
        EXPECT_EQ(f.tree.NextPreOrder(stale), 0u);
        EXPECT_EQ(f.tree.Level(stale), 0);
        EXPECT_FALSE(f.tree.Expand(stale, TVE_EXPAND));
        EXPECT_FALSE(f.tree.Select(stale, TVC_UNKNOWN));
        EXPECT_FALSE(f.tree.Delete(stale));
        EXPECT_EQ(f.tree.Insert(stale, TreePlace::LAST, 0, Named("x")), 0u);
        f.tree.SetState(stale, TVIS_BOLD, TVIS_BOLD);
    }
    EXPECT_EQ(f.tree.Count(), 1u);
}

TEST(TreeViewTest, DeletionTellsEachItemChildrenFirstAndSurvivesListenersThatDelete) {
    Fixture f;
    TreeHandle top = f.Add(0, "top");
    TreeHandle left = f.Add(top, "left");
    f.Add(left, "leaf");
    TreeHandle right = f.Add(top, "right");
    TreeHandle other = f.Add(0, "other");
    f.listener.onDelete = [&](TreeHandle item) {
        // A listener deletes another subtree and the item being deleted.
        if (item == left) {
            f.tree.Delete(right);
            f.tree.Delete(left);
            f.tree.Delete(other);
        }
    };
    ASSERT_TRUE(f.tree.Delete(top));
    EXPECT_EQ(f.listener.Take(), (std::vector<std::string>{"delete leaf", "delete left", "delete right",
                                                           "delete other", "delete top"}));
    EXPECT_EQ(f.tree.Count(), 0u);
}

TEST(TreeViewTest, ExpansionAlwaysNotifiesAndSelectionFollowsACollapse) {
    Fixture f;
    TreeHandle folder = f.Add(0, "folder", true);
    TreeHandle empty = f.Add(0, "empty");
    EXPECT_TRUE(f.tree.Expand(folder, TVE_EXPAND));
    EXPECT_TRUE(f.tree.State(folder, TVIS_EXPANDEDONCE));
    EXPECT_FALSE(f.tree.State(folder, TVIS_EXPANDED)); // nothing to show yet
    TreeHandle child = f.Add(folder, "child");
    EXPECT_TRUE(f.tree.Expand(folder, TVE_EXPAND));
    EXPECT_FALSE(f.tree.Expand(folder, TVE_EXPAND)); // already expanded
    EXPECT_FALSE(f.tree.Expand(empty, TVE_EXPAND));  // no button
    EXPECT_TRUE(f.tree.Select(child, TVC_BYMOUSE));
    EXPECT_TRUE(f.tree.Expand(folder, TVE_TOGGLE));
    EXPECT_EQ(f.tree.Selected(), folder);
    EXPECT_EQ(f.listener.Take(),
              (std::vector<std::string>{"expanding folder +", "expanded folder", "expanding folder +",
                                        "expanded folder", "selecting child", "selected child by 1",
                                        "expanding folder -", "selecting folder", "selected folder by 0",
                                        "expanded folder"}));
    f.listener.refuse = "expand";
    EXPECT_FALSE(f.tree.Expand(folder, TVE_EXPAND));
    EXPECT_FALSE(f.tree.State(folder, TVIS_EXPANDED));
    f.listener.refuse = "select";
    EXPECT_FALSE(f.tree.Select(empty, TVC_BYKEYBOARD));
    EXPECT_EQ(f.tree.Selected(), folder);
}

TEST(TreeViewTest, HitTestsFollowTheFixedGeometry) {
    Fixture f;
    f.tree.SetStyle(TVS_HASBUTTONS | TVS_LINESATROOT);
    f.tree.SetClientSize(300, 100);
    TreeHandle root = f.Add(0, "Root", true);
    TreeHandle child = f.Add(root, "Music");
    f.tree.SetState(child, 1u << kStateImageShift, TVIS_STATEIMAGEMASK);
    f.tree.Expand(root, TVE_EXPAND);
    struct Case {
        int32_t itemHeight;
        int32_t x;
        int32_t y;
        TreeHandle item;
        uint32_t flags;
    };
    // Root row: button at 0-18, icon from 19, label "Root" 4 x 7 + 4 from 35.
    // Child row: indent to 19, button cell 19-37, state image 38-54, icon
    // 55-70, label "Music" from 71 to 109.
    const Case cases[] = {
        {18, 5, 5, root, TVHT_ONITEMBUTTON},
        {18, 20, 5, root, TVHT_ONITEMICON},
        {18, 40, 5, root, TVHT_ONITEMLABEL},
        {18, 70, 5, root, TVHT_ONITEMRIGHT},
        {18, 5, 20, child, TVHT_ONITEMINDENT},
        {18, 30, 20, child, TVHT_ONITEMINDENT}, // no button without children
        {18, 40, 20, child, TVHT_ONITEMSTATEICON},
        {18, 60, 20, child, TVHT_ONITEMICON},
        {18, 100, 20, child, TVHT_ONITEMLABEL},
        {18, 110, 20, child, TVHT_ONITEMRIGHT},
        {18, 5, 40, 0, TVHT_NOWHERE},
        {34, 40, 40, child, TVHT_ONITEMSTATEICON},
        {50, 40, 40, root, TVHT_ONITEMLABEL},
        {18, -1, 5, 0, TVHT_TOLEFT},
        {18, 300, 100, 0, TVHT_TORIGHT | TVHT_BELOW},
        {18, 5, -1, 0, TVHT_ABOVE},
    };
    for (const Case& c : cases) {
        f.tree.Geometry().itemHeight = c.itemHeight;
        f.tree.Geometry().iconSize = c.itemHeight - 2 > 16 ? 16 : c.itemHeight - 2;
        uint32_t flags = 0;
        EXPECT_EQ(f.tree.HitTest(c.x, c.y, &flags), c.item) << c.x << "," << c.y << " @" << c.itemHeight;
        EXPECT_EQ(flags, c.flags) << c.x << "," << c.y << " @" << c.itemHeight;
    }
    f.tree.Geometry().itemHeight = 18;
    EXPECT_EQ(f.tree.VisibleCount(), 5);
    f.tree.SetClientSize(300, 20);
    EXPECT_TRUE(f.tree.IsRowVisible(child)); // partly inside
    f.tree.SetClientSize(300, 18);
    EXPECT_FALSE(f.tree.IsRowVisible(child));
}

TEST(TreeViewTest, KeysMoveTheSelectionAndTheEditorTakesTypedText) {
    Fixture f;
    f.tree.SetStyle(TVS_EDITLABELS);
    TreeHandle a = f.Add(0, "a", true);
    TreeHandle a1 = f.Add(a, "a1");
    TreeHandle b = f.Add(0, "b");
    f.tree.Select(a, TVC_UNKNOWN);
    EXPECT_TRUE(f.tree.KeyDown(TK_RIGHT)); // expands
    EXPECT_TRUE(f.tree.KeyDown(TK_RIGHT)); // first child
    EXPECT_EQ(f.tree.Selected(), a1);
    EXPECT_TRUE(f.tree.KeyDown(TK_DOWN));
    EXPECT_EQ(f.tree.Selected(), b);
    EXPECT_TRUE(f.tree.KeyDown(TK_UP));
    EXPECT_TRUE(f.tree.KeyDown(TK_LEFT)); // to the parent
    EXPECT_TRUE(f.tree.KeyDown(TK_LEFT)); // collapses
    EXPECT_EQ(f.tree.Selected(), a);
    EXPECT_FALSE(f.tree.State(a, TVIS_EXPANDED));
    EXPECT_TRUE(f.tree.KeyDown(TK_END));
    EXPECT_EQ(f.tree.Selected(), b);
    f.listener.Take();

    ASSERT_TRUE(f.tree.BeginLabelEdit(b));
    for (char16_t c : std::u16string(u"Xyz\b!"))
        f.tree.TypeIntoEditor(c);
    EXPECT_EQ(f.tree.EditText(), u"Xy!");
    EXPECT_TRUE(f.tree.EndLabelEdit(false));
    EXPECT_EQ(f.tree.Text(b), u"Xy!");
    ASSERT_TRUE(f.tree.BeginLabelEdit(b));
    EXPECT_TRUE(f.tree.EndLabelEdit(true));
    EXPECT_FALSE(f.tree.IsEditing());
    EXPECT_EQ(f.listener.Take(),
              (std::vector<std::string>{"edit b", "edited b Xy!", "edit Xy!", "edited Xy! abandoned"}));
}
