// The tree view's rows, geometry and default input handling.
#include "foldertree/tree/TreeStyle.h"
#include "foldertree/tree/TreeView.h"

#include <algorithm>
#include <cstdlib>

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

int32_t TreeView::LabelLeft(TreeHandle item) const {
    int32_t left = ItemLeft(item) + m_geometry.iconSize;
    return State(item, TVIS_STATEIMAGEMASK) ? left + m_geometry.stateImageWidth : left;
}

int32_t TreeView::WidestRow() const {
    int32_t widest = 0;
    for (TreeHandle at = FirstRoot(); at; at = NextRow(at)) {
        int32_t width =
            LabelLeft(at) + static_cast<int32_t>(Text(at).size()) * m_geometry.charWidth + kLabelPadding;
        widest = std::max(widest, width);
    }
    return widest;
}

bool TreeView::LabelPoint(TreeHandle item, int32_t* x, int32_t* y) const {
    int32_t row = RowOf(item);
    if (row < 0)
        return false;
    *x = LabelLeft(item) - m_scrollX;
    *y = (row - m_topRow) * m_geometry.itemHeight + m_geometry.itemHeight / 2;
    return true;
}

void TreeView::ScrollLines(int32_t rows) {
    int32_t count = 0;
    for (TreeHandle at = FirstRoot(); at; at = NextRow(at))
        ++count;
    int32_t last = std::max(count - std::max(VisibleCount(), 1), 0);
    m_topRow = std::clamp(m_topRow + rows, 0, last);
}

void TreeView::ScrollColumns(int32_t columns) {
    int32_t last = std::max(WidestRow() - m_clientWidth, 0);
    m_scrollX = std::clamp(m_scrollX + columns * m_geometry.charWidth, 0, last);
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
    x += m_scrollX;
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

void TreeView::Press(int32_t x, int32_t y, bool right) {
    uint32_t flags = 0;
    TreeHandle item = HitTest(x, y, &flags);
    m_pressItem = item && (flags & TVHT_ONITEM) ? item : 0;
    m_pressRight = right;
    m_pressX = x;
    m_pressY = y;
}

void TreeView::RightButtonDown(int32_t x, int32_t y) {
    Press(x, y, true);
}

void TreeView::MouseMove(int32_t x, int32_t y, uint32_t buttons) {
    const uint32_t held = m_pressRight ? 2u : 1u;
    if (!Exists(m_pressItem) || !(buttons & held))
        return;
    if (std::abs(x - m_pressX) <= kDragDistance / 2 && std::abs(y - m_pressY) <= kDragDistance / 2)
        return;
    TreeHandle item = m_pressItem;
    m_pressItem = 0;
    m_listener->OnBeginDrag(item, m_pressRight);
}

void TreeView::LeftButtonDown(int32_t x, int32_t y) {
    Press(x, y, false);
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
