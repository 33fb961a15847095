#include "foldertree/tree/CheckBoxes.h"

namespace pgv {

int32_t CheckBoxes::Index(const TreeView& tree, TreeHandle item) {
    return static_cast<int32_t>(tree.State(item, TVIS_STATEIMAGEMASK) >> kStateImageShift);
}

void CheckBoxes::SetIndex(TreeView& tree, TreeHandle item, int32_t index) {
    tree.SetState(item, static_cast<uint32_t>(index) << kStateImageShift, TVIS_STATEIMAGEMASK);
}

int32_t CheckBoxes::Summary(TreeHandle item) const {
    const std::vector<TreeHandle>& children = m_tree.Children(item);
    if (!m_tree.Exists(item) || children.empty())
        return PGV_NOCHILDREN;
    bool allChecked = true, allUnchecked = true;
    for (TreeHandle child : children) {
        int32_t index = Index(m_tree, child);
        allChecked = allChecked && index == CS_CHECKED;
        allUnchecked = allUnchecked && (index == CS_UNCHECKED || index == CS_NOCHECKBOXES);
    }
    if (allChecked)
        return PGV_ALLCHECKED;
    return allUnchecked ? PGV_ALLUNCHECKED : PGV_SOMECHECKED;
}

void CheckBoxes::Recompute(TreeHandle item) {
    int32_t index = Index(m_tree, item);
    if (index == CS_NOCHECKBOXES)
        return;
    int32_t summary = Summary(item);
    int32_t updated = index;
    if (summary == PGV_NOCHILDREN)
        updated = IsChecked(index) ? CS_CHECKED : CS_UNCHECKED;
    else if (IsChecked(index))
        updated = summary == PGV_ALLCHECKED ? CS_CHECKED : CS_SELFANDCHILDCHECKED;
    else
        updated = summary == PGV_ALLUNCHECKED ? CS_UNCHECKED : CS_CHILDCHECKED;
    if (updated != index)
        SetIndex(m_tree, item, updated);
    if (m_hooks.recomputed)
        m_hooks.recomputed(item);
}

void CheckBoxes::RecomputeUpwards(TreeHandle item) {
    std::vector<TreeHandle> chain;
    for (TreeHandle up = item; up; up = m_tree.Parent(up))
        chain.push_back(up);
    // A listener may delete items between the steps.
    for (TreeHandle node : chain) {
        if (m_tree.Exists(node))
            Recompute(node);
    }
}

void CheckBoxes::PropagateToChildren(TreeHandle item, bool checked) {
    std::vector<TreeHandle> pending(m_tree.Children(item).rbegin(), m_tree.Children(item).rend());
    while (!pending.empty()) {
        TreeHandle child = pending.back();
        pending.pop_back();
        if (m_hooks.mayHaveBox && !m_hooks.mayHaveBox(child))
            continue;
        SetIndex(m_tree, child, checked ? CS_CHECKED : CS_UNCHECKED);
        const std::vector<TreeHandle>& grandchildren = m_tree.Children(child);
        pending.insert(pending.end(), grandchildren.rbegin(), grandchildren.rend());
    }
}

bool CheckBoxes::SetCheckState(TreeHandle item, int32_t op, bool autoCheckChildren) {
    int32_t index = Index(m_tree, item);
    if (!m_tree.Exists(item) || index == CS_NOCHECKBOXES)
        return false;
    int32_t updated = index;
    switch (op) {
    case CO_CHECK:
        if (IsChecked(index))
            return true;
        updated = CS_CHECKED;
        break;
    case CO_UNCHECK:
        if (!IsChecked(index))
            return true;
        updated = CS_UNCHECKED;
        break;
    case CO_TOGGLE:
        updated = IsChecked(index) ? CS_UNCHECKED : CS_CHECKED;
        break;
    case CO_RECOMPUTE:
        Recompute(item);
        return true;
    default:
        break;
    }
    SetIndex(m_tree, item, updated);
    if (autoCheckChildren)
        PropagateToChildren(item, updated == CS_CHECKED);
    else
        Recompute(item);
    if (m_tree.Exists(item))
        RecomputeUpwards(m_tree.Parent(item));
    return true;
}

int32_t CheckBoxes::InsertedChildIndex(TreeHandle parent, bool autoCheckChildren) const {
    return autoCheckChildren && IsNodeChecked(parent) ? CS_CHECKED : CS_UNCHECKED;
}

TreeHandle CheckBoxes::NextChecked(TreeHandle item) const {
    for (TreeHandle at = item ? m_tree.NextPreOrder(item) : m_tree.FirstRoot(); at;
         at = m_tree.NextPreOrder(at)) {
        if (IsNodeChecked(at))
            return at;
    }
    return 0;
}

} // namespace pgv
