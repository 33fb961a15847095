// The automation views of a context menu: a menu (or submenu) object and
// an entry object. They hold no copy of the entries: an entry object names
// its position in its menu, and once the menu is gone both answer as for
// an empty menu.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/DispatchObject.h"
#include "foldertree/menu/PopupMenu.h"

#include <memory>

namespace pgv {

// The command ids of one shown menu: the next one an entry the host adds
// takes.
struct MenuIds {
    int32_t next = 0;
};

class CShellContextMenu final : public ax::DispatchObject<CShellContextMenu> {
  public:
    CShellContextMenu(std::shared_ptr<PopupMenu> menu, CShellContextMenu* parent,
                      std::shared_ptr<MenuIds> ids);

    PopupMenu& Menu() { return *m_menu; }
    const std::shared_ptr<MenuIds>& Ids() const { return m_ids; }

    PGV_MENU_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    ax::HRESULT ItemResult(ax::Variant* result, int64_t index);
    ax::HRESULT Insert(std::u16string_view caption, int64_t index, ax::Variant* result);

    std::shared_ptr<PopupMenu> m_menu;
    ax::ComPtr<CShellContextMenu> m_parent;
    std::shared_ptr<MenuIds> m_ids;
};

class CShellMenuItem final : public ax::DispatchObject<CShellMenuItem> {
  public:
    CShellMenuItem(CShellContextMenu* menu, size_t index);

    PGV_MENUITEM_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    MenuItem* Item() { return m_menu->Menu().At(m_index); }
    ax::HRESULT GetFlag(uint32_t MenuItem::*field, uint32_t bit, ax::Variant* result);
    ax::HRESULT PutFlag(uint32_t MenuItem::*field, uint32_t bit, const ax::Variant& value);

    ax::ComPtr<CShellContextMenu> m_menu;
    size_t m_index;
};

} // namespace pgv
