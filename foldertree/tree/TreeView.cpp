#include "foldertree/tree/TreeView.h"

#include "foldertree/tree/TreeStyle.h"

#include <algorithm>
#include <atomic>

namespace pgv {
namespace {

// Handles of every tree in the process come from one counter.
std::atomic<TreeHandle> g_nextHandle{0x1000};

const std::vector<TreeHandle> kNoItems;

constexpr char16_t kBackspace = 0x08;

} // namespace

TreeView::TreeView(TreeViewListener* listener) : m_listener(listener) {}

TreeView::~TreeView() = default;

TreeView::Item* TreeView::Find(TreeHandle item) {
    auto it = m_items.find(item);
    return it == m_items.end() ? nullptr : &it->second;
}

const TreeView::Item* TreeView::Find(TreeHandle item) const {
    auto it = m_items.find(item);
    return it == m_items.end() ? nullptr : &it->second;
}

std::vector<TreeHandle>& TreeView::SiblingsOf(TreeHandle parent) {
    return parent ? m_items.at(parent).children : m_roots;
}

TreeHandle TreeView::Insert(TreeHandle parent, TreePlace place, TreeHandle after, const TreeItemInit& init) {
    if (parent && !Find(parent))
        return 0;
    TreeHandle handle = g_nextHandle++;
    Item item;
    item.parent = parent;
    item.text = init.text;
    item.image = init.image;
    item.selectedImage = init.selectedImage;
    item.state = init.state & ~(TVIS_SELECTED | TVIS_EXPANDED | TVIS_EXPANDEDONCE);
    item.hasChildren = init.hasChildren;
    item.param = init.param;
    m_items.emplace(handle, std::move(item));
    std::vector<TreeHandle>& siblings = SiblingsOf(parent);
    auto position = siblings.end();
    if (place == TreePlace::FIRST) {
        position = siblings.begin();
    } else if (place == TreePlace::AFTER) {
        auto found = std::find(siblings.begin(), siblings.end(), after);
        if (found != siblings.end())
            position = found + 1;
    }
    siblings.insert(position, handle);
    return handle;
}

bool TreeView::Exists(TreeHandle item) const {
    return item != 0 && m_items.count(item) != 0;
}

void TreeView::Unlink(TreeHandle item) {
    Item* found = Find(item);
    if (!found)
        return;
    std::vector<TreeHandle>& siblings = SiblingsOf(found->parent);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
    if (m_selected == item)
        m_selected = 0;
    if (m_editItem == item)
        m_editItem = 0;
    m_items.erase(item);
}

bool TreeView::Delete(TreeHandle item) {
    Item* found = Find(item);
    if (!found || found->deleting)
        return false;
    // Children go first, so a listener sees each item while its parent is
    // still there; a listener may delete items itself meanwhile.
    std::vector<TreeHandle> order;
    std::vector<std::pair<TreeHandle, size_t>> stack = {{item, 0}};
    while (!stack.empty()) {
        auto& [current, next] = stack.back();
        const Item* node = Find(current);
        if (node && next < node->children.size()) {
            TreeHandle child = node->children[next++];
            stack.push_back({child, 0});
            continue;
        }
        order.push_back(current);
        stack.pop_back();
    }
    for (TreeHandle doomed : order) {
        Item* node = Find(doomed);
        if (!node || node->deleting)
            continue;
        node->deleting = true;
        m_listener->OnDeleteItem(doomed, node->param);
        Unlink(doomed);
    }
    return true;
}

void TreeView::DeleteAll() {
    std::vector<TreeHandle> roots = m_roots;
    for (TreeHandle root : roots)
        Delete(root);
    m_topRow = 0;
    m_scrollX = 0;
}

TreeHandle TreeView::Parent(TreeHandle item) const {
    const Item* found = Find(item);
    return found ? found->parent : 0;
}

const std::vector<TreeHandle>& TreeView::Children(TreeHandle item) const {
    if (item == 0)
        return m_roots;
    const Item* found = Find(item);
    return found ? found->children : kNoItems;
}

TreeHandle TreeView::FirstChild(TreeHandle item) const {
    const Item* found = Find(item);
    return found && !found->children.empty() ? found->children.front() : 0;
}

TreeHandle TreeView::NextSibling(TreeHandle item) const {
    const Item* found = Find(item);
    if (!found)
        return 0;
    const std::vector<TreeHandle>& siblings = Children(found->parent);
    auto it = std::find(siblings.begin(), siblings.end(), item);
    return it != siblings.end() && it + 1 != siblings.end() ? *(it + 1) : 0;
}

TreeHandle TreeView::PreviousSibling(TreeHandle item) const {
    const Item* found = Find(item);
    if (!found)
        return 0;
    const std::vector<TreeHandle>& siblings = Children(found->parent);
    auto it = std::find(siblings.begin(), siblings.end(), item);
    return it != siblings.end() && it != siblings.begin() ? *(it - 1) : 0;
}

TreeHandle TreeView::NextPreOrder(TreeHandle item) const {
    if (!Exists(item))
        return 0;
    if (TreeHandle child = FirstChild(item))
        return child;
    for (TreeHandle up = item; up; up = Parent(up)) {
        if (TreeHandle next = NextSibling(up))
            return next;
    }
    return 0;
}

int32_t TreeView::Level(TreeHandle item) const {
    int32_t level = 0;
    for (const Item* found = Find(item); found; found = Find(found->parent))
        ++level;
    return level;
}

bool TreeView::IsAncestor(TreeHandle ancestor, TreeHandle item) const {
    for (TreeHandle up = Parent(item); up; up = Parent(up)) {
        if (up == ancestor)
            return true;
    }
    return false;
}

std::u16string TreeView::Text(TreeHandle item) const {
    const Item* found = Find(item);
    return found ? found->text : std::u16string();
}

void TreeView::SetText(TreeHandle item, std::u16string text) {
    if (Item* found = Find(item))
        found->text = std::move(text);
}

int32_t TreeView::Image(TreeHandle item) const {
    const Item* found = Find(item);
    return found ? found->image : 0;
}

int32_t TreeView::SelectedImage(TreeHandle item) const {
    const Item* found = Find(item);
    return found ? found->selectedImage : 0;
}

void TreeView::SetImages(TreeHandle item, int32_t image, int32_t selectedImage) {
    if (Item* found = Find(item)) {
        found->image = image;
        found->selectedImage = selectedImage;
    }
}

uint32_t TreeView::State(TreeHandle item, uint32_t mask) const {
    const Item* found = Find(item);
    return found ? found->state & mask : 0;
}

void TreeView::SetState(TreeHandle item, uint32_t value, uint32_t mask) {
    // Selection and expansion change only through Select and Expand.
    mask &= ~(TVIS_SELECTED | TVIS_EXPANDED);
    if (Item* found = Find(item))
        found->state = (found->state & ~mask) | (value & mask);
}

bool TreeView::HasChildrenFlag(TreeHandle item) const {
    const Item* found = Find(item);
    return found && found->hasChildren;
}

void TreeView::SetHasChildren(TreeHandle item, bool hasChildren) {
    if (Item* found = Find(item))
        found->hasChildren = hasChildren;
}

bool TreeView::HasButton(TreeHandle item) const {
    const Item* found = Find(item);
    return found && (found->hasChildren || !found->children.empty());
}

uint64_t TreeView::Param(TreeHandle item) const {
    const Item* found = Find(item);
    return found ? found->param : 0;
}

bool TreeView::Expand(TreeHandle item, uint32_t action) {
    const Item* found = Find(item);
    if (!found)
        return false;
    const bool expanded = found->state & TVIS_EXPANDED;
    if (action == TVE_TOGGLE)
        action = expanded ? TVE_COLLAPSE : TVE_EXPAND;
    if (action == TVE_EXPAND && (expanded || !HasButton(item)))
        return false;
    if (action == TVE_COLLAPSE && !expanded)
        return false;
    if (action != TVE_EXPAND && action != TVE_COLLAPSE)
        return false;
    if (!m_listener->OnItemExpanding(item, action) || !Exists(item))
        return false;
    Item& node = m_items.at(item);
    if (action == TVE_EXPAND) {
        node.state |= TVIS_EXPANDEDONCE;
        if (!node.children.empty())
            node.state |= TVIS_EXPANDED;
    } else {
        node.state &= ~TVIS_EXPANDED;
        // A selection hidden by the collapse moves to the collapsed item.
        if (IsAncestor(item, m_selected))
            Select(item, TVC_UNKNOWN);
    }
    if (Exists(item))
        m_listener->OnItemExpanded(item, action);
    return true;
}

bool TreeView::Select(TreeHandle item, uint32_t cause) {
    if (item && !Exists(item))
        return false;
    if (item == m_selected) {
        EnsureVisible(item);
        return true;
    }
    TreeHandle previous = m_selected;
    if (!m_listener->OnSelChanging(previous, item, cause) || (item && !Exists(item)))
        return false;
    if (Item* old = Find(m_selected))
        old->state &= ~TVIS_SELECTED;
    m_selected = item;
    if (Item* now = Find(item))
        now->state |= TVIS_SELECTED;
    EnsureVisible(item);
    m_listener->OnSelChanged(previous, item, cause);
    if ((m_style & TVS_SINGLEEXPAND) && Exists(item) && m_selected == item) {
        if (Exists(previous) && !IsAncestor(previous, item) && (State(previous, TVIS_EXPANDED)))
            Expand(previous, TVE_COLLAPSE);
        Expand(item, TVE_EXPAND);
    }
    return true;
}

void TreeView::SortChildren(TreeHandle parent, const std::function<bool(TreeHandle, TreeHandle)>& less) {
    if (parent && !Exists(parent))
        return;
    std::vector<TreeHandle>& siblings = SiblingsOf(parent);
    std::stable_sort(siblings.begin(), siblings.end(), less);
}

bool TreeView::BeginLabelEdit(TreeHandle item) {
    if (!Exists(item) || !(m_style & TVS_EDITLABELS))
        return false;
    if (IsEditing())
        EndLabelEdit(false);
    std::u16string text = Text(item);
    if (!m_listener->OnBeginLabelEdit(item, &text) || !Exists(item))
        return false;
    m_editItem = item;
    m_editText = std::move(text);
    m_editTextSelected = true;
    return true;
}

bool TreeView::EndLabelEdit(bool cancel) {
    TreeHandle item = m_editItem;
    if (!item)
        return false;
    m_editItem = 0;
    std::u16string text = std::move(m_editText);
    m_editText.clear();
    if (m_listener->OnEndLabelEdit(item, cancel ? nullptr : &text) && !cancel)
        SetText(item, std::move(text));
    return true;
}

void TreeView::TypeIntoEditor(char16_t c) {
    if (!IsEditing())
        return;
    if (c == kBackspace) {
        if (m_editTextSelected)
            m_editText.clear();
        else if (!m_editText.empty())
            m_editText.pop_back();
    } else if (m_editTextSelected) {
        m_editText.assign(1, c);
    } else {
        m_editText.push_back(c);
    }
    m_editTextSelected = false;
}

std::u16string TreeView::InfoTip(TreeHandle item) {
    std::u16string tip;
    if (Exists(item) && (m_style & TVS_INFOTIP))
        m_listener->OnGetInfoTip(item, &tip);
    return tip;
}

} // namespace pgv
