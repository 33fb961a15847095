// The tree view's rows, geometry and default input handling.
#include "foldertree/tree/TreeStyle.h"
#include "foldertree/tree/TreeView.h"

#include <algorithm>

namespace pgv {
namespace {

constexpr int32_t kLabelPadding = 4;

} // namespace

TreeHandle TreeView::LastVisibleIn(TreeHandle item) const {
    while (State(item, TVIS_EXPANDED) && FirstChild(item))
        item = Children(item).back();
    return item;
}

TreeHandle TreeView::FirstVisible() const {
    TreeHandle top = ItemAtRow(m_topRow);
    return top ? top : FirstRoot();
}

TreeHandle TreeView::NextRow(TreeHandle item) const {
    if (State(item, TVIS_EXPANDED) && FirstChild(item))
        return FirstChild(item);
    for (TreeHandle up = item; up; up = Parent(up)) {
        if (TreeHandle next = NextSibling(up))
            return next;
    }
    return 0;
}

TreeHandle TreeView::NextVisible(TreeHandle item) const {
    return RowOf(item) < 0 ? 0 : NextRow(item);
}

TreeHandle TreeView::PreviousVisible(TreeHandle item) const {
    if (RowOf(item) < 0)
        return 0;
    if (TreeHandle previous = PreviousSibling(item))
        return LastVisibleIn(previous);
    return Parent(item);
}

int32_t TreeView::RowOf(TreeHandle item) const {
    if (!Exists(item))
        return -1;
    for (TreeHandle up = Parent(item); up; up = Parent(up)) {
        if (!State(up, TVIS_EXPANDED))
            return -1;
    }
    int32_t row = 0;
    for (TreeHandle at = FirstRoot(); at; at = NextRow(at), ++row) {
        if (at == item)
            return row;
    }
    return -1;
}

TreeHandle TreeView::ItemAtRow(int32_t row) const {
    if (row < 0)
        return 0;
    TreeHandle at = FirstRoot();
    for (int32_t i = 0; at && i < row; ++i)
        at = NextRow(at);
    return at;
}

int32_t TreeView::VisibleCount() const {
    return m_geometry.itemHeight > 0 ? m_clientHeight / m_geometry.itemHeight : 0;
}

bool TreeView::IsRowVisible(TreeHandle item) const {
    int32_t row = RowOf(item);
    return row >= m_topRow && (row - m_topRow) * m_geometry.itemHeight < m_clientHeight;
}

void TreeView::SetClientSize(int32_t width, int32_t height) {
    m_clientWidth = std::max(width, 0);
    m_clientHeight = std::max(height, 0);
}

void TreeView::ScrollTo(TreeHandle item) {
    int32_t row = RowOf(item);
    if (row < 0)
        return;
    int32_t rows = std::max(VisibleCount(), 1);
    if (row < m_topRow)
        m_topRow = row;
    else if (row >= m_topRow + rows)
        m_topRow = row - rows + 1;
}

void TreeView::EnsureVisible(TreeHandle item) {
    std::vector<TreeHandle> ancestors;
    for (TreeHandle up = Parent(item); up; up = Parent(up))
        ancestors.push_back(up);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        if (!State(*it, TVIS_EXPANDED) && !Expand(*it, TVE_EXPAND))
            return;
    }
    ScrollTo(item);
}

int32_t TreeView::ItemLeft(TreeHandle item) const {
    int32_t columns = Level(item) - 1 + ((m_style & TVS_LINESATROOT) ? 1 : 0);
    return columns * m_geometry.indent;
}

TreeHandle TreeView::HitTest(int32_t x, int32_t y, uint32_t* flags) const {
    uint32_t outside = 0;
    if (x < 0)
        outside |= TVHT_TOLEFT;
    else if (x >= m_clientWidth)
        outside |= TVHT_TORIGHT;
    if (y < 0)
        outside |= TVHT_ABOVE;
    else if (y >= m_clientHeight)
        outside |= TVHT_BELOW;
    *flags = outside;
    if (outside)
        return 0;
    TreeHandle item = m_geometry.itemHeight > 0 ? ItemAtRow(m_topRow + y / m_geometry.itemHeight) : 0;
    if (!item) {
        *flags = TVHT_NOWHERE;
        return 0;
    }
    int32_t left = ItemLeft(item);
    if (x < left) {
        bool button = (m_style & TVS_HASBUTTONS) && HasButton(item) && x >= left - m_geometry.indent &&
                      (Level(item) > 1 || (m_style & TVS_LINESATROOT));
        *flags = button ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
        return item;
    }
    int32_t at = left;
    if (State(item, TVIS_STATEIMAGEMASK)) {
        if (x < at + m_geometry.stateImageWidth) {
            *flags = TVHT_ONITEMSTATEICON;
            return item;
        }
        at += m_geometry.stateImageWidth;
    }
    if (x < at + m_geometry.iconSize) {
        *flags = TVHT_ONITEMICON;
        return item;
    }
    at += m_geometry.iconSize;
    int32_t label = static_cast<int32_t>(Text(item).size()) * m_geometry.charWidth + kLabelPadding;
    *flags = x < at + label ? TVHT_ONITEMLABEL : TVHT_ONITEMRIGHT;
    return item;
}

bool TreeView::SelectByKey(TreeHandle item) {
    return item && Select(item, TVC_BYKEYBOARD);
}

bool TreeView::KeyDown(uint32_t key) {
    TreeHandle selected = m_selected ? m_selected : FirstVisible();
    if (!selected)
        return false;
    int32_t page = std::max(VisibleCount() - 1, 1);
    switch (key) {
    case TK_UP:
        return SelectByKey(m_selected ? PreviousVisible(selected) : selected);
    case TK_DOWN:
        return SelectByKey(m_selected ? NextVisible(selected) : selected);
    case TK_HOME:
        return SelectByKey(FirstRoot());
    case TK_END: {
        TreeHandle last = m_roots.empty() ? 0 : LastVisibleIn(m_roots.back());
        return SelectByKey(last);
    }
    case TK_PRIOR:
    case TK_NEXT: {
        TreeHandle target = selected;
        for (int32_t i = 0; i < page; ++i) {
            TreeHandle step = key == TK_PRIOR ? PreviousVisible(target) : NextVisible(target);
            if (!step)
                break;
            target = step;
        }
        return SelectByKey(target);
    }
    case TK_LEFT:
        if (State(selected, TVIS_EXPANDED))
            return Expand(selected, TVE_COLLAPSE);
        return SelectByKey(Parent(selected));
    case TK_RIGHT:
        if (!State(selected, TVIS_EXPANDED))
            return HasButton(selected) && Expand(selected, TVE_EXPAND);
        return SelectByKey(FirstChild(selected));
    case TK_ADD:
        return Expand(selected, TVE_EXPAND);
    case TK_SUBTRACT:
        return Expand(selected, TVE_COLLAPSE);
    default:
        return false;
    }
}

void TreeView::LeftButtonDown(int32_t x, int32_t y) {
    uint32_t flags = 0;
    TreeHandle item = HitTest(x, y, &flags);
    if (!item)
        return;
    if (flags & TVHT_ONITEMBUTTON)
        Expand(item, TVE_TOGGLE);
    else if ((flags & TVHT_ONITEM) || (m_style & TVS_FULLROWSELECT))
        Select(item, TVC_BYMOUSE);
}

void TreeView::LeftDoubleClick(int32_t x, int32_t y) {
    uint32_t flags = 0;
    TreeHandle item = HitTest(x, y, &flags);
    if (item && (flags & TVHT_ONITEM))
        Expand(item, TVE_TOGGLE);
}

} // namespace pgv
