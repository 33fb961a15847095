// The tree window's notifications and the input the host delivers to it.
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/ShellTree.h"
#include "foldertree/control/TreeCallback.h"

#include <cstring>
#include <utility>

namespace pgv {
namespace {

constexpr uint32_t kKeyF2 = 0x71;
constexpr uint32_t kKeyF5 = 0x74;
constexpr const char16_t* kRenameVerb = u"rename";
constexpr const char16_t* kDeleteVerb = u"delete";
constexpr const char16_t* kCopyVerb = u"copy";
constexpr const char16_t* kCutVerb = u"cut";
constexpr const char16_t* kPasteVerb = u"paste";
constexpr const char16_t* kPropertiesVerb = u"properties";

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// Trailing dots and blanks are not part of a new name.
std::u16string TrimmedName(const std::u16string& text) {
    size_t end = text.find_last_not_of(u". ");
    return end == std::u16string::npos ? std::u16string() : text.substr(0, end + 1);
}

int16_t ShiftOf(uint32_t modifiers) {
    return static_cast<int16_t>(modifiers & (MOD_SHIFT | MOD_CTRL | MOD_ALT));
}

} // namespace

KeyRoute RouteKey(uint32_t message, uint32_t virtualKey) {
    if (message == KM_KEYDOWN && virtualKey == VK_SPACE)
        return KR_CHECK_GESTURE;
    if (message != KM_KEYDOWN && message != KM_KEYUP)
        return KR_DEFAULT;
    switch (virtualKey) {
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        return KR_LABEL_EDITOR;
    default:
        return KR_DEFAULT;
    }
}

bool ShellTree::OnItemExpanding(TreeHandle item, uint32_t action) {
    const bool expanding = action == TVE_EXPAND;
    if (m_events.FireCancellable(expanding ? PGVE_NODEEXPANDING : PGVE_NODECOLLAPSING, item) ||
        !m_view.Exists(item))
        return false;
    if (expanding)
        FillIfNeeded(item);
    if (!m_view.Exists(item))
        return false;
    m_events.FireNode(expanding ? PGVE_NODEEXPANDED : PGVE_NODECOLLAPSED, item);
    return m_view.Exists(item);
}

void ShellTree::OnItemExpanded(TreeHandle, uint32_t) {}

bool ShellTree::OnSelChanging(TreeHandle, TreeHandle to, uint32_t) {
    return !to || !m_events.FireCancellable(PGVE_ONBEFORENODESELECT, to);
}

void ShellTree::OnSelChanged(TreeHandle, TreeHandle to, uint32_t cause) {
    if (!to)
        return;
    if (cause == TVC_BYKEYBOARD && m_loop) {
        StartSelectionTimer();
        return;
    }
    StopSelectionTimer();
    m_events.FireNode(PGVE_ONAFTERNODESELECT, to);
}

void ShellTree::StartSelectionTimer() {
    StopSelectionTimer();
    uint32_t delay = static_cast<uint32_t>(m_props.selectionDelay);
    if (ax::Failed(m_loop->SetTimer(delay, m_timerCallback.Get(), &m_selectionTimer)))
        m_selectionTimer = 0;
}

void ShellTree::StopSelectionTimer() {
    if (m_selectionTimer && m_loop)
        m_loop->KillTimer(m_selectionTimer);
    m_selectionTimer = 0;
}

void ShellTree::OnSelectionTimer() {
    m_selectionTimer = 0;
    if (TreeHandle selected = m_view.Selected())
        m_events.FireNode(PGVE_ONAFTERNODESELECT, selected);
}

void ShellTree::OnDeleteItem(TreeHandle item, uint64_t) {
    if (IsCreated())
        m_events.FireNode(PGVE_ONBEFORENODEDELETE, item);
    m_filled.erase(item);
    m_watcher.Unwatch(item);
    auto found = m_data.find(item);
    if (found != m_data.end()) {
        FreeBlocks(*found->second);
        m_data.erase(found);
    }
    if (m_lastInserted == item)
        m_lastInserted = 0;
}

bool ShellTree::OnBeginLabelEdit(TreeHandle item, std::u16string* text) {
    const ItemData* data = Data(item);
    if (!m_props.allowNodeRenaming || !data || data->kind == NK_DESKTOP)
        return false;
    if (data->kind == NK_SHELL) {
        if (!(m_shell.Attributes(data->item, SFGAO_CANRENAME) & SFGAO_CANRENAME))
            return false;
        *text = m_shell.DisplayName(data->item, SHGDN_INFOLDER | SHGDN_FOREDITING);
    }
    return !m_events.FireCancellable(PGVE_ONBEFORENODERENAME, item) && m_view.Exists(item);
}

bool ShellTree::OnEndLabelEdit(TreeHandle item, const std::u16string* text) {
    std::u16string typed = text ? *text : std::u16string();
    if (m_events.FireAfterRename(item, typed, !text) || !text)
        return false;
    const ItemData* data = Data(item);
    if (!data)
        return false;
    if (data->kind == NK_CUSTOM)
        m_view.SetText(item, typed);
    else if (data->kind == NK_SHELL)
        RenameShellItem(item, typed);
    // The label is set here, never by the tree itself.
    return false;
}

void ShellTree::RenameShellItem(TreeHandle item, const std::u16string& text) {
    ItemData* data = Data(item);
    if (text == m_shell.DisplayName(data->item, SHGDN_INFOLDER | SHGDN_FOREDITING))
        return;
    std::u16string name = TrimmedName(text);
    std::string shown = ax::Utf16ToUtf8(text);
    if (!IsValidNewName(name)) {
        m_events.Log(PGV_LOG_ERR, "Refused the name \"" + shown + "\"");
        return;
    }
    ItemId renamed;
    if (int error = m_shell.Rename(data->item, name, &renamed)) {
        m_events.Log(PGV_LOG_ERR, "Cannot rename \"" + ax::Utf16ToUtf8(DisplayName(item, SHGDN_FORPARSING)) +
                                      "\" to \"" + shown + "\": " + std::strerror(error));
        return;
    }
    ItemIds updated = data->item;
    updated.back() = renamed;
    ReplaceItemLists(item, updated);
    m_view.SetText(item, m_shell.DisplayName(updated, SHGDN_INFOLDER));
    SortChildren(m_view.Parent(item));
}

void ShellTree::ReplaceItemLists(TreeHandle item, const ItemIds& renamed) {
    const size_t depth = renamed.size();
    for (TreeHandle at = item; at && (at == item || m_view.IsAncestor(item, at));
         at = m_view.NextPreOrder(at)) {
        ItemData* data = Data(at);
        if (!data || data->kind != NK_SHELL || data->item.size() < depth)
            continue;
        ItemIds updated = renamed;
        updated.insert(updated.end(), data->item.begin() + static_cast<std::ptrdiff_t>(depth),
                       data->item.end());
        data->item = std::move(updated);
        FreeBlocks(*data);
        if (IsFilled(at))
            Watch(at);
    }
}

void ShellTree::OnGetInfoTip(TreeHandle item, std::u16string* tip) {
    const ItemData* data = Data(item);
    if (!data)
        return;
    *tip = data->kind == NK_CUSTOM ? m_view.Text(item) : m_shell.DisplayName(data->item, SHGDN_FORPARSING);
    m_events.FireInfoTip(item, tip);
    if (tip->size() > kMaxInfoTipUnits) {
        size_t keep = kMaxInfoTipUnits;
        if (IsHighSurrogate((*tip)[keep - 1]))
            --keep;
        tip->resize(keep);
    }
}

bool ShellTree::InfoTipAt(int32_t x, int32_t y, std::u16string* tip) {
    uint32_t flags = 0;
    TreeHandle item = m_view.HitTest(x, y, &flags);
    if (!item || !(flags & TVHT_ONITEM))
        return false;
    *tip = m_view.InfoTip(item);
    return !tip->empty();
}

void ShellTree::Input(uint32_t message, uint32_t code, uint32_t modifiers, int32_t x, int32_t y) {
    switch (message) {
    case IM_KEYDOWN:
    case IM_KEYUP:
        KeyInput(message, code, modifiers);
        break;
    case IM_CHAR:
        m_view.TypeIntoEditor(static_cast<char16_t>(code));
        break;
    case IM_MOUSEMOVE:
        m_events.FireMouse(PGVE_MOUSEMOVE, static_cast<int16_t>(code), ShiftOf(modifiers), x, y);
        if (IsCreated())
            m_view.MouseMove(x, y, code);
        break;
    default:
        MouseInput(message, modifiers, x, y);
        break;
    }
}

void ShellTree::MouseInput(uint32_t message, uint32_t modifiers, int32_t x, int32_t y) {
    const int16_t shift = ShiftOf(modifiers);
    const bool left = message == IM_LBUTTONDOWN || message == IM_LBUTTONUP || message == IM_LBUTTONDBLCLK;
    const int16_t button = left ? BTN_LEFT : BTN_RIGHT;
    uint32_t flags = 0;
    switch (message) {
    case IM_LBUTTONDOWN:
    case IM_RBUTTONDOWN: {
        m_dragConsumedUp = false;
        m_events.FireMouse(PGVE_MOUSEDOWN, button, shift, x, y);
        if (!left) {
            m_view.RightButtonDown(x, y);
            return;
        }
        TreeHandle item = m_view.HitTest(x, y, &flags);
        // A click on the check box toggles it and is not a click on the item.
        m_stateIconPressed = item && (flags & TVHT_ONITEMSTATEICON);
        if (m_stateIconPressed)
            CheckGesture(item);
        else
            m_view.LeftButtonDown(x, y);
        return;
    }
    case IM_LBUTTONUP:
    case IM_RBUTTONUP: {
        m_view.ButtonUp();
        // The button that ended a drag was the drag loop's.
        if (std::exchange(m_dragConsumedUp, false))
            return;
        m_events.FireMouse(PGVE_MOUSEUP, button, shift, x, y);
        if (left && m_stateIconPressed) {
            m_stateIconPressed = false;
            return;
        }
        m_events.FireMouse(PGVE_CLICK, 0, 0, 0, 0);
        TreeHandle item = m_view.HitTest(x, y, &flags);
        if (left && item) {
            m_events.FireNode(PGVE_NODECLICK, item);
        } else if (!left && item && (flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL))) {
            m_events.FireNode(PGVE_NODERIGHTCLICK, item);
            // A handler's CancelEvent keeps the menu away.
            if (!m_events.TakeCancelEvent() && m_props.showContextMenus && m_view.Exists(item))
                m_events.ShowContextMenu(item, x, y, (modifiers & MOD_SHIFT) != 0);
        }
        return;
    }
    case IM_LBUTTONDBLCLK: {
        m_events.FireMouse(PGVE_DBLCLICK, 0, 0, 0, 0);
        TreeHandle item = m_view.HitTest(x, y, &flags);
        if (item)
            m_events.FireNode(PGVE_NODEDOUBLECLICK, item);
        if (m_view.Exists(item))
            m_view.LeftDoubleClick(x, y);
        return;
    }
    default:
        return;
    }
}

void ShellTree::KeyInput(uint32_t message, uint32_t key, uint32_t modifiers) {
    if (m_events.FireKey(message == IM_KEYDOWN ? PGVE_KEYDOWN : PGVE_KEYUP, key, modifiers) ||
        m_view.IsEditing())
        return;
    // The menu key, or Shift+F10, asks for the selected node's menu.
    if (message == IM_KEYDOWN && (key == VK_APPS || (key == VK_F10 && (modifiers & MOD_SHIFT)))) {
        ShowMenuForSelection();
        return;
    }
    if (ShellKey(message, key, modifiers) || message != IM_KEYDOWN)
        return;
    m_view.KeyDown(key);
}

// The shell's keys of a selected shell node with DefaultKeyHandling: F2
// and F5 end there; the commands of Delete, Ctrl+C, Ctrl+X and Ctrl+V let
// the key go on to the tree; Alt+Enter asks for properties on its key-up.
bool ShellTree::ShellKey(uint32_t message, uint32_t key, uint32_t modifiers) {
    TreeHandle selected = m_view.Selected();
    const ItemData* data = Data(selected);
    if (!m_props.defaultKeyHandling || !data || data->kind != NK_SHELL)
        return false;
    const bool control = (modifiers & MOD_CTRL) != 0;
    if (message == IM_KEYUP) {
        if (key == VK_RETURN && (modifiers & MOD_ALT))
            RunShellCommand(selected, kPropertiesVerb);
        return false;
    }
    switch (key) {
    case kKeyF2:
        if (!m_events.FireShellCommand(kRenameVerb) && m_view.Exists(selected))
            m_view.BeginLabelEdit(selected);
        return true;
    case kKeyF5:
        RefreshView();
        return true;
    case VK_DELETE:
        RunShellCommand(selected, kDeleteVerb);
        return false;
    case 'C':
    case 'X':
    case 'V':
        if (control)
            RunShellCommand(selected, key == 'C' ? kCopyVerb : key == 'X' ? kCutVerb : kPasteVerb);
        return false;
    default:
        return false;
    }
}

void ShellTree::ShowMenuForSelection() {
    TreeHandle selected = m_view.Selected();
    int32_t x = 0, y = 0;
    if (m_props.showContextMenus && m_view.LabelPoint(selected, &x, &y))
        m_events.ShowContextMenu(selected, x, y, false);
}

bool ShellTree::PreTranslateKey(uint32_t message, uint32_t key) {
    switch (RouteKey(message, key)) {
    case KR_CHECK_GESTURE: {
        // While a label is edited, Space is a character of the new name.
        TreeHandle selected = m_view.Selected();
        if (m_view.IsEditing() || CheckBoxes::Index(m_view, selected) == CS_NOCHECKBOXES)
            return false;
        CheckGesture(selected);
        return true;
    }
    case KR_LABEL_EDITOR:
        if (!m_view.IsEditing())
            return false;
        if (message == KM_KEYDOWN && (key == VK_RETURN || key == VK_ESCAPE))
            m_view.EndLabelEdit(key == VK_ESCAPE);
        return true;
    default:
        return false;
    }
}

} // namespace pgv
