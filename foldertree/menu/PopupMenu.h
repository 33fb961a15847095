// A popup menu without a screen: entries with command ids, captions ('&'
// before an access key), states, types, pictures and submenus. The control
// builds one for a context menu, the host may change it through the menu
// objects, and the presenter shows it as a list of entries.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pgv {

enum MenuItemType : uint32_t {
    MIT_SEPARATOR = 0x1,
    MIT_RADIO = 0x2,
    MIT_BREAK = 0x4,
    MIT_BARBREAK = 0x8,
};

enum MenuItemState : uint32_t {
    MIS_CHECKED = 0x1,
    MIS_DISABLED = 0x2, // disabled and greyed
    MIS_DEFAULT = 0x4,
};

class PopupMenu;

struct MenuItem {
    int32_t id = 0;
    std::u16string caption;
    uint32_t type = 0;
    uint32_t state = 0;
    std::shared_ptr<PopupMenu> submenu;
    ax::ComPtr<ax::IDispatch> bitmap;
};

class PopupMenu {
  public:
    PopupMenu() = default;
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    // A destroyed menu has no entries and takes none.
    size_t Count() const { return m_items.size(); }
    MenuItem* At(size_t index) { return index < m_items.size() ? &m_items[index] : nullptr; }
    const MenuItem* At(size_t index) const { return index < m_items.size() ? &m_items[index] : nullptr; }
    // Inserts at `index` (Count appends); false beyond the end.
    bool Insert(size_t index, MenuItem item);
    // Removes an entry and destroys its submenu; false out of range.
    bool Remove(size_t index);
    void Clear();
    // Moves an entry (text, state, id, submenu and picture) to `to`.
    bool Move(size_t from, size_t to);
    // Makes the entry the only default one, or clears its default state.
    void SetDefault(size_t index, bool isDefault);
    void Destroy();
    bool IsDestroyed() const { return m_destroyed; }

    // The first entry whose caption, lower-cased and without '&', holds
    // `search` lower-cased; -1 when none.
    int Find(std::u16string_view search) const;
    // The entry with command id `id` here or in a submenu.
    const MenuItem* FindId(int32_t id) const;
    // The entries as a presenter gets them; each submenu follows its entry
    // one level deeper. The captions point into the menu.
    void Flatten(std::vector<PgvMenuEntry>* entries, int32_t level = 0) const;

  private:
    std::vector<MenuItem> m_items;
    bool m_destroyed = false;
};

} // namespace pgv
