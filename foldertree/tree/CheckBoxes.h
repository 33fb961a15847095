// Tri-state check boxes kept in the tree items' state-image bits (index =
// bits >> 12, a CheckStates value): 0 no box, 1 unchecked, 2 checked with
// every child checked, 3 unchecked with some child marked, 4 checked with
// children not all checked. Changes go down to the descendants (when
// asked) and every ancestor is recomputed, nearest first.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/tree/TreeView.h"

#include <functional>

namespace pgv {

enum CheckOperation : int32_t {
    CO_CHECK = 0,
    CO_UNCHECK = 1,
    CO_TOGGLE = 2,
    CO_RECOMPUTE = 3,
};

class CheckBoxes {
  public:
    struct Hooks {
        // Told each time a node's state was recomputed; it may change the
        // tree.
        std::function<void(TreeHandle)> recomputed;
        // Whether an item may carry a box at all (propagation gives boxes to
        // children that have none).
        std::function<bool(TreeHandle)> mayHaveBox;
    };

    CheckBoxes(TreeView& tree, Hooks hooks) : m_tree(tree), m_hooks(std::move(hooks)) {}

    static int32_t Index(const TreeView& tree, TreeHandle item);
    static void SetIndex(TreeView& tree, TreeHandle item, int32_t index);
    static bool IsChecked(int32_t index) { return index == CS_CHECKED || index == CS_SELFANDCHILDCHECKED; }

    bool IsNodeChecked(TreeHandle item) const { return IsChecked(Index(m_tree, item)); }
    int32_t Summary(TreeHandle item) const;
    // False for a stale item or one without a box.
    bool SetCheckState(TreeHandle item, int32_t op, bool autoCheckChildren);
    void Recompute(TreeHandle item);
    // Recomputes `item`, then each of its ancestors.
    void RecomputeUpwards(TreeHandle item);
    void PropagateToChildren(TreeHandle item, bool checked);
    // The box of a child inserted under `parent`: checked when children
    // inherit and the parent itself is checked.
    int32_t InsertedChildIndex(TreeHandle parent, bool autoCheckChildren) const;
    // The next checked item after `item` in pre-order (from the first root
    // for 0), or 0.
    TreeHandle NextChecked(TreeHandle item) const;

  private:
    TreeView& m_tree;
    Hooks m_hooks;
};

} // namespace pgv
