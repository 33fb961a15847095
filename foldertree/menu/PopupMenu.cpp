#include "foldertree/menu/PopupMenu.h"

#include <cwctype>

namespace pgv {
namespace {

std::u16string Folded(std::u16string_view text, bool dropAmpersands) {
    std::u16string folded;
    for (char16_t c : text) {
        if (dropAmpersands && c == u'&')
            continue;
        folded += static_cast<char16_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return folded;
}

} // namespace

bool PopupMenu::Insert(size_t index, MenuItem item) {
    if (m_destroyed || index > m_items.size())
        return false;
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    return true;
}

bool PopupMenu::Remove(size_t index) {
    if (index >= m_items.size())
        return false;
    if (m_items[index].submenu)
        m_items[index].submenu->Destroy();
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void PopupMenu::Clear() {
    while (!m_items.empty())
        Remove(m_items.size() - 1);
}

bool PopupMenu::Move(size_t from, size_t to) {
    if (from >= m_items.size() || to >= m_items.size())
        return false;
    MenuItem item = std::move(m_items[from]);
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(from));
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(to), std::move(item));
    return true;
}

void PopupMenu::SetDefault(size_t index, bool isDefault) {
    if (index >= m_items.size())
        return;
    if (!isDefault) {
        m_items[index].state &= ~MIS_DEFAULT;
        return;
    }
    for (MenuItem& item : m_items)
        item.state &= ~MIS_DEFAULT;
    m_items[index].state |= MIS_DEFAULT;
}

void PopupMenu::Destroy() {
    Clear();
    m_destroyed = true;
}

int PopupMenu::Find(std::u16string_view search) const {
    std::u16string wanted = Folded(search, false);
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (Folded(m_items[i].caption, true).find(wanted) != std::u16string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

const MenuItem* PopupMenu::FindId(int32_t id) const {
    for (const MenuItem& item : m_items) {
        if (!(item.type & MIT_SEPARATOR) && !item.submenu && item.id == id)
            return &item;
        if (item.submenu) {
            if (const MenuItem* found = item.submenu->FindId(id))
                return found;
        }
    }
    return nullptr;
}

void PopupMenu::Flatten(std::vector<PgvMenuEntry>* entries, int32_t level) const {
    for (const MenuItem& item : m_items) {
        int32_t state = 0;
        if (item.state & MIS_CHECKED)
            state |= PGV_MENUCHECKED;
        if (item.state & MIS_DISABLED)
            state |= PGV_MENUDISABLED;
        if (item.type & MIT_SEPARATOR)
            state |= PGV_MENUSEPARATOR;
        if (item.state & MIS_DEFAULT)
            state |= MEF_DEFAULT;
        if (item.type & MIT_RADIO)
            state |= MEF_RADIO;
        if (item.type & MIT_BREAK)
            state |= MEF_BREAK;
        if (item.type & MIT_BARBREAK)
            state |= MEF_BARBREAK;
        if (item.submenu)
            state |= MEF_SUBMENU;
        entries->push_back({item.caption.c_str(), item.id, state, level, item.bitmap.Get()});
        if (item.submenu)
            item.submenu->Flatten(entries, level + 1);
    }
}

} // namespace pgv
