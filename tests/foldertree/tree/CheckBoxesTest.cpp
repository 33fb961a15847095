#include "foldertree/tree/CheckBoxes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace pgv;

namespace {

class Quiet final : public TreeViewListener {
  public:
    bool OnItemExpanding(TreeHandle, uint32_t) override { return true; }
    void OnItemExpanded(TreeHandle, uint32_t) override {}
    bool OnSelChanging(TreeHandle, TreeHandle, uint32_t) override { return true; }
    void OnSelChanged(TreeHandle, TreeHandle, uint32_t) override {}
    void OnDeleteItem(TreeHandle, uint64_t) override {}
    bool OnBeginLabelEdit(TreeHandle, std::u16string*) override { return true; }
    bool OnEndLabelEdit(TreeHandle, const std::u16string*) override { return false; }
    void OnGetInfoTip(TreeHandle, std::u16string*) override {}
};

// root
//   parent
//     leaf, other
//   sibling
struct Tree {
    Tree()
        : view(&quiet), boxes(view, {[this](TreeHandle item) { recomputed.push_back(item); },
                                     [this](TreeHandle item) { return item != noBox; }}) {
        root = Add(0);
        parent = Add(root);
        leaf = Add(parent);
        other = Add(parent);
        sibling = Add(root);
    }
    TreeHandle Add(TreeHandle under) {
        TreeHandle item = view.Insert(under, TreePlace::LAST, 0, {});
        CheckBoxes::SetIndex(view, item, CS_UNCHECKED);
        return item;
    }
    std::vector<int32_t> States() const {
        std::vector<int32_t> states;
        for (TreeHandle item : {root, parent, leaf, other, sibling})
            states.push_back(CheckBoxes::Index(view, item));
        return states;
    }
    void Set(std::vector<int32_t> states) {
        TreeHandle items[] = {root, parent, leaf, other, sibling};
        for (size_t i = 0; i < states.size(); ++i)
            CheckBoxes::SetIndex(view, items[i], states[i]);
    }

    Quiet quiet;
    TreeView view;
    CheckBoxes boxes;
    TreeHandle root, parent, leaf, other, sibling, noBox = 0;
    std::vector<TreeHandle> recomputed;
};

} // namespace

TEST(CheckBoxesTest, SetCheckStateForEveryOperationAndStartingState) {
    enum Target { LEAF, OTHER, PARENT, ROOT };
    struct Case {
        const char* what;
        std::vector<int32_t> before; // root, parent, leaf, other, sibling
        Target target;
        int32_t op;
        bool autoChildren;
        std::vector<int32_t> after;
        size_t recomputed; // OnQueryNodeCheckState events
    };
    const Case cases[] = {
        {"check a leaf", {1, 1, 1, 1, 1}, LEAF, CO_CHECK, false, {3, 3, 2, 1, 1}, 3},
        {"uncheck it again", {3, 3, 2, 1, 1}, LEAF, CO_UNCHECK, false, {1, 1, 1, 1, 1}, 3},
        {"check the other leaf too", {3, 3, 2, 1, 1}, OTHER, CO_CHECK, false, {3, 3, 2, 2, 1}, 3},
        {"check a parent, children follow", {1, 1, 1, 1, 1}, PARENT, CO_CHECK, true, {3, 2, 2, 2, 1}, 1},
        {"check a parent alone", {1, 1, 1, 1, 1}, PARENT, CO_CHECK, false, {3, 4, 1, 1, 1}, 2},
        {"check everything", {1, 1, 1, 1, 1}, ROOT, CO_CHECK, true, {2, 2, 2, 2, 2}, 0},
        {"checked at 4 stays", {4, 4, 2, 1, 1}, PARENT, CO_CHECK, false, {4, 4, 2, 1, 1}, 0},
        {"unchecked at 3 stays", {3, 3, 2, 1, 1}, PARENT, CO_UNCHECK, false, {3, 3, 2, 1, 1}, 0},
        {"toggle a partly checked parent", {3, 3, 2, 1, 1}, PARENT, CO_TOGGLE, true, {3, 2, 2, 2, 1}, 1},
        {"toggle a checked parent alone", {2, 4, 2, 1, 2}, PARENT, CO_TOGGLE, false, {4, 3, 2, 1, 2}, 2},
        {"uncheck a parent, children follow", {2, 2, 2, 2, 2}, PARENT, CO_UNCHECK, true, {4, 1, 1, 1, 2}, 1},
        {"recompute touches only the node", {1, 4, 2, 2, 1}, PARENT, CO_RECOMPUTE, false, {1, 2, 2, 2, 1}, 1},
        {"a child at 4 is not all checked", {1, 1, 4, 2, 1}, PARENT, CO_RECOMPUTE, false, {1, 3, 4, 2, 1}, 1},
    };
    for (const Case& c : cases) {
        Tree tree;
        tree.Set(c.before);
        const TreeHandle targets[] = {tree.leaf, tree.other, tree.parent, tree.root};
        EXPECT_TRUE(tree.boxes.SetCheckState(targets[c.target], c.op, c.autoChildren)) << c.what;
        EXPECT_EQ(tree.States(), c.after) << c.what;
        EXPECT_EQ(tree.recomputed.size(), c.recomputed) << c.what;
    }
}

TEST(CheckBoxesTest, SummariesInheritanceAndTheCheckedWalk) {
    Tree tree;
    EXPECT_EQ(tree.boxes.Summary(tree.leaf), PGV_NOCHILDREN);
    EXPECT_EQ(tree.boxes.Summary(tree.parent), PGV_ALLUNCHECKED);
    tree.Set({1, 1, 2, 0, 1});
    EXPECT_EQ(tree.boxes.Summary(tree.parent), PGV_SOMECHECKED);
    tree.Set({1, 1, 2, 2, 1});
    EXPECT_EQ(tree.boxes.Summary(tree.parent), PGV_ALLCHECKED);

    // New children are checked only under a checked parent (2 or 4), never
    // under a partly checked one (3), and only when children inherit.
    for (int32_t parentState : {1, 2, 3, 4}) {
        tree.Set({1, parentState});
        int32_t expected = parentState == 2 || parentState == 4 ? CS_CHECKED : CS_UNCHECKED;
        EXPECT_EQ(tree.boxes.InsertedChildIndex(tree.parent, true), expected) << parentState;
        EXPECT_EQ(tree.boxes.InsertedChildIndex(tree.parent, false), CS_UNCHECKED) << parentState;
    }

    // Pre-order: root, parent, leaf, other, sibling.
    tree.Set({3, 4, 1, 2, 2});
    std::vector<TreeHandle> walk;
    for (TreeHandle at = tree.boxes.NextChecked(0); at; at = tree.boxes.NextChecked(at))
        walk.push_back(at);
    EXPECT_EQ(walk, (std::vector<TreeHandle>{tree.parent, tree.other, tree.sibling}));
    // A box-less item and a stale one are neither checked nor changed.
    tree.noBox = tree.other;
    tree.Set({1, 1, 1, 0, 1});
    EXPECT_FALSE(tree.boxes.SetCheckState(tree.other, CO_CHECK, true));
    EXPECT_TRUE(tree.boxes.SetCheckState(tree.parent, CO_CHECK, true));
    EXPECT_EQ(tree.States(), (std::vector<int32_t>{3, 2, 2, 0, 1}));
    tree.view.Delete(tree.leaf);
    EXPECT_FALSE(tree.boxes.SetCheckState(tree.leaf, CO_CHECK, true));
    EXPECT_EQ(tree.boxes.NextChecked(tree.leaf), 0u);
}
