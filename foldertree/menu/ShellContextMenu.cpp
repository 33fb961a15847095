#include "foldertree/menu/ShellContextMenu.h"

#include <new>

namespace pgv {

using ax::HRESULT;
using ax::Variant;

namespace {

#define PGV_HANDLER_CLASS CShellContextMenu
constexpr ax::DispHandlers<CShellContextMenu> kMenuHandlers[] = {PGV_MENU_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS
#define PGV_HANDLER_CLASS CShellMenuItem
constexpr ax::DispHandlers<CShellMenuItem> kItemHandlers[] = {PGV_MENUITEM_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

bool IsTrue(const Variant& value) {
    return value.boolVal != ax::VARIANT_FALSE;
}

} // namespace

CShellContextMenu::CShellContextMenu(std::shared_ptr<PopupMenu> menu, CShellContextMenu* parent,
                                     std::shared_ptr<MenuIds> ids)
    : DispatchObject(menu_members::kTable, kMenuHandlers, IID_IShellContextMenu), m_menu(std::move(menu)),
      m_parent(parent), m_ids(std::move(ids)) {}

HRESULT CShellContextMenu::ItemResult(Variant* result, int64_t index) {
    if (index < 0 || static_cast<uint64_t>(index) >= m_menu->Count())
        return ax::SetResult(result, static_cast<ax::IDispatch*>(nullptr));
    return ax::SetResult(result, new (std::nothrow) CShellMenuItem(this, static_cast<size_t>(index)));
}

HRESULT CShellContextMenu::Insert(std::u16string_view caption, int64_t index, Variant* result) {
    MenuItem item;
    item.id = m_ids->next;
    item.caption = caption;
    if (index < 0 || !m_menu->Insert(static_cast<size_t>(index), std::move(item)))
        return ax::SetResult(result, static_cast<ax::IDispatch*>(nullptr));
    ++m_ids->next;
    return ItemResult(result, index);
}

HRESULT CShellContextMenu::GetItemCount(Variant*, Variant* result) {
    return ax::SetResult(result, static_cast<int32_t>(m_menu->Count()));
}

HRESULT CShellContextMenu::GetParent(Variant*, Variant* result) {
    if (m_parent)
        m_parent->AddRef();
    return ax::SetResult(result, static_cast<ax::IDispatch*>(m_parent.Get()));
}

HRESULT CShellContextMenu::CallGetItem(Variant* args, Variant* result) {
    return ItemResult(result, args[0].lVal);
}

// An index out of range removes nothing.
HRESULT CShellContextMenu::CallRemoveItem(Variant* args, Variant*) {
    if (args[0].lVal >= 0)
        m_menu->Remove(static_cast<size_t>(args[0].lVal));
    return ax::S_OK;
}

HRESULT CShellContextMenu::CallAddItem(Variant* args, Variant* result) {
    return Insert(ax::BstrView(args[0].bstrVal), static_cast<int64_t>(m_menu->Count()), result);
}

HRESULT CShellContextMenu::CallInsertItem(Variant* args, Variant* result) {
    return Insert(ax::BstrView(args[0].bstrVal), args[1].lVal, result);
}

HRESULT CShellContextMenu::CallFindItem(Variant* args, Variant* result) {
    return ItemResult(result, m_menu->Find(ax::BstrView(args[0].bstrVal)));
}

HRESULT CShellContextMenu::CallClear(Variant*, Variant*) {
    m_menu->Clear();
    return ax::S_OK;
}

CShellMenuItem::CShellMenuItem(CShellContextMenu* menu, size_t index)
    : DispatchObject(menuitem_members::kTable, kItemHandlers, IID_IShellMenuItem), m_menu(menu),
      m_index(index) {}

HRESULT CShellMenuItem::GetFlag(uint32_t MenuItem::*field, uint32_t bit, Variant* result) {
    const MenuItem* item = Item();
    return ax::SetBoolResult(result, item && (item->*field & bit));
}

HRESULT CShellMenuItem::PutFlag(uint32_t MenuItem::*field, uint32_t bit, const Variant& value) {
    MenuItem* item = Item();
    if (!item)
        return ax::E_INVALIDARG;
    item->*field = IsTrue(value) ? (item->*field | bit) : (item->*field & ~bit);
    return ax::S_OK;
}

HRESULT CShellMenuItem::GetCaption(Variant*, Variant* result) {
    const MenuItem* item = Item();
    return ax::SetResult(result, item ? std::u16string_view(item->caption) : std::u16string_view());
}
HRESULT CShellMenuItem::PutCaption(Variant* args, Variant*) {
    MenuItem* item = Item();
    if (!item)
        return ax::E_INVALIDARG;
    item->caption = ax::BstrView(args[0].bstrVal);
    return ax::S_OK;
}

HRESULT CShellMenuItem::GetChecked(Variant*, Variant* result) {
    return GetFlag(&MenuItem::state, MIS_CHECKED, result);
}
HRESULT CShellMenuItem::PutChecked(Variant* args, Variant*) {
    return PutFlag(&MenuItem::state, MIS_CHECKED, args[0]);
}

HRESULT CShellMenuItem::GetRadioChecked(Variant*, Variant* result) {
    const MenuItem* item = Item();
    return ax::SetBoolResult(result, item && (item->type & MIT_RADIO) && (item->state & MIS_CHECKED));
}
// True makes it a checked radio entry; false takes the radio type away.
HRESULT CShellMenuItem::PutRadioChecked(Variant* args, Variant*) {
    HRESULT hr = PutFlag(&MenuItem::type, MIT_RADIO, args[0]);
    if (ax::Succeeded(hr) && IsTrue(args[0]))
        Item()->state |= MIS_CHECKED;
    return hr;
}

HRESULT CShellMenuItem::GetBreak(Variant*, Variant* result) {
    return GetFlag(&MenuItem::type, MIT_BREAK, result);
}
HRESULT CShellMenuItem::PutBreak(Variant* args, Variant*) {
    return PutFlag(&MenuItem::type, MIT_BREAK, args[0]);
}

HRESULT CShellMenuItem::GetBarBreak(Variant*, Variant* result) {
    return GetFlag(&MenuItem::type, MIT_BARBREAK, result);
}
HRESULT CShellMenuItem::PutBarBreak(Variant* args, Variant*) {
    return PutFlag(&MenuItem::type, MIT_BARBREAK, args[0]);
}

HRESULT CShellMenuItem::GetDefaultItem(Variant*, Variant* result) {
    return GetFlag(&MenuItem::state, MIS_DEFAULT, result);
}
HRESULT CShellMenuItem::PutDefaultItem(Variant* args, Variant*) {
    if (!Item())
        return ax::E_INVALIDARG;
    m_menu->Menu().SetDefault(m_index, IsTrue(args[0]));
    return ax::S_OK;
}

HRESULT CShellMenuItem::GetParent(Variant*, Variant* result) {
    m_menu->AddRef();
    return ax::SetResult(result, static_cast<ax::IDispatch*>(m_menu.Get()));
}

HRESULT CShellMenuItem::GetSubMenu(Variant*, Variant* result) {
    const MenuItem* item = Item();
    if (!item || !item->submenu)
        return ax::SetResult(result, static_cast<ax::IDispatch*>(nullptr));
    return ax::SetResult(result,
                         new (std::nothrow) CShellContextMenu(item->submenu, m_menu.Get(), m_menu->Ids()));
}

HRESULT CShellMenuItem::GetIndex(Variant*, Variant* result) {
    return ax::SetResult(result, Item() ? static_cast<int32_t>(m_index) : int32_t{-1});
}
// A position out of range moves nothing.
HRESULT CShellMenuItem::PutIndex(Variant* args, Variant*) {
    if (!Item())
        return ax::E_INVALIDARG;
    int32_t to = args[0].lVal;
    if (to >= 0 && m_menu->Menu().Move(m_index, static_cast<size_t>(to)))
        m_index = static_cast<size_t>(to);
    return ax::S_OK;
}

HRESULT CShellMenuItem::GetSeparator(Variant*, Variant* result) {
    return GetFlag(&MenuItem::type, MIT_SEPARATOR, result);
}
HRESULT CShellMenuItem::PutSeparator(Variant* args, Variant*) {
    return PutFlag(&MenuItem::type, MIT_SEPARATOR, args[0]);
}

HRESULT CShellMenuItem::GetID(Variant*, Variant* result) {
    const MenuItem* item = Item();
    return ax::SetResult(result, item ? item->id : int32_t{0});
}

HRESULT CShellMenuItem::GetHasSubMenu(Variant*, Variant* result) {
    const MenuItem* item = Item();
    return ax::SetBoolResult(result, item && item->submenu);
}
HRESULT CShellMenuItem::PutHasSubMenu(Variant* args, Variant*) {
    MenuItem* item = Item();
    if (!item)
        return ax::E_INVALIDARG;
    if (item->submenu)
        item->submenu->Destroy();
    item->submenu = IsTrue(args[0]) ? std::make_shared<PopupMenu>() : nullptr;
    return ax::S_OK;
}

HRESULT CShellMenuItem::GetEnabled(Variant*, Variant* result) {
    const MenuItem* item = Item();
    return ax::SetBoolResult(result, item && !(item->state & MIS_DISABLED));
}
HRESULT CShellMenuItem::PutEnabled(Variant* args, Variant*) {
    Variant disabled = ax::MakeBool(!IsTrue(args[0]));
    return PutFlag(&MenuItem::state, MIS_DISABLED, disabled);
}

// The picture is shown as it is given.
HRESULT CShellMenuItem::CallSetBitmap(Variant* args, Variant*) {
    MenuItem* item = Item();
    if (!item)
        return ax::E_INVALIDARG;
    item->bitmap = ax::ComPtr<ax::IDispatch>(args[0].pdispVal);
    return ax::S_OK;
}

} // namespace pgv
