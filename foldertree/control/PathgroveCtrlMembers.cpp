// The members of the control's dispatch interface. Members that work on the
// tree window, its nodes or the shell namespace answer E_NOTIMPL until the
// tree is built.
#include "foldertree/control/PathgroveCtrl.h"

#include "foldertree/shell/ShellAllocator.h"

namespace pgv {

using ax::HRESULT;
using ax::Variant;

#define PGV_FLAG_PROPERTY(Name, field)                                                                       \
    HRESULT CPathgroveCtrl::Get##Name(Variant*, Variant* result) {                                           \
        return ax::SetBoolResult(result, m_props.field);                                                     \
    }                                                                                                        \
    HRESULT CPathgroveCtrl::Put##Name(Variant* args, Variant*) {                                             \
        return PutFlag(m_props.field, args[0]);                                                              \
    }

#define PGV_LONG_PROPERTY(Name, field, allowed)                                                              \
    HRESULT CPathgroveCtrl::Get##Name(Variant*, Variant* result) {                                           \
        return ax::SetResult(result, m_props.field);                                                         \
    }                                                                                                        \
    HRESULT CPathgroveCtrl::Put##Name(Variant* args, Variant*) {                                             \
        return PutChecked(m_props.field, args[0].lVal, allowed(args[0].lVal));                               \
    }

#define PGV_NOT_BUILT_PROPERTY(Name)                                                                         \
    HRESULT CPathgroveCtrl::Get##Name(Variant*, Variant*) {                                                  \
        return ax::E_NOTIMPL;                                                                                \
    }                                                                                                        \
    HRESULT CPathgroveCtrl::Put##Name(Variant*, Variant*) {                                                  \
        return ax::E_NOTIMPL;                                                                                \
    }

#define PGV_NOT_BUILT_READONLY(Name)                                                                         \
    HRESULT CPathgroveCtrl::Get##Name(Variant*, Variant*) {                                                  \
        return ax::E_NOTIMPL;                                                                                \
    }

#define PGV_NOT_BUILT_METHOD(Name)                                                                           \
    HRESULT CPathgroveCtrl::Call##Name(Variant*, Variant*) {                                                 \
        return ax::E_NOTIMPL;                                                                                \
    }

namespace {

constexpr bool AnyValue(int32_t) {
    return true;
}

} // namespace

PGV_LONG_PROPERTY(ForeColor, foreColor, AnyValue)
PGV_LONG_PROPERTY(BackColor, backColor, AnyValue)
PGV_LONG_PROPERTY(LineColor, lineColor, AnyValue)
PGV_LONG_PROPERTY(Indent, indent, IsIndentAllowed)
PGV_LONG_PROPERTY(SelectionDelay, selectionDelay, IsSelectionDelayAllowed)
PGV_LONG_PROPERTY(ShellImageListType, shellImageListType, IsShellImageListTypeAllowed)

PGV_FLAG_PROPERTY(ShowContextMenus, showContextMenus)
PGV_FLAG_PROPERTY(ShowFiles, showFiles)
PGV_FLAG_PROPERTY(ShowSpecailFolders, showSpecialFolders)
PGV_FLAG_PROPERTY(ShowHiddenObjects, showHiddenObjects)
PGV_FLAG_PROPERTY(HasLines, hasLines)
PGV_FLAG_PROPERTY(HasLinesAtRoot, hasLinesAtRoot)
PGV_FLAG_PROPERTY(HasButtons, hasButtons)
PGV_FLAG_PROPERTY(ShowCheckBoxes, showCheckBoxes)
PGV_FLAG_PROPERTY(HotTracking, hotTracking)
PGV_FLAG_PROPERTY(AutoUpdate, autoUpdate)
PGV_FLAG_PROPERTY(AllowNodeRenaming, allowNodeRenaming)
PGV_FLAG_PROPERTY(DefaultKeyHandling, defaultKeyHandling)
PGV_FLAG_PROPERTY(ShowInfoTips, showInfoTips)
PGV_FLAG_PROPERTY(AllowDragDrop, allowDragDrop)
PGV_FLAG_PROPERTY(AutoCheckChildren, autoCheckChildren)
PGV_FLAG_PROPERTY(ExpandSelectedNode, expandSelectedNode)
PGV_FLAG_PROPERTY(ShowUIDialogs, showUIDialogs)
PGV_FLAG_PROPERTY(HideSelection, hideSelection)
PGV_FLAG_PROPERTY(AllowZipFolders, allowZipFolders)
PGV_FLAG_PROPERTY(QueryHasSubFolders, queryHasSubFolders)
PGV_FLAG_PROPERTY(FullRowSelect, fullRowSelect)
PGV_FLAG_PROPERTY(Enabled, enabled)

HRESULT CPathgroveCtrl::GetBorderStyle(Variant*, Variant* result) {
    return ax::SetResult(result, m_props.borderStyle);
}
HRESULT CPathgroveCtrl::PutBorderStyle(Variant* args, Variant*) {
    return PutChecked(m_props.borderStyle, args[0].iVal, IsBorderStyleAllowed(args[0].iVal));
}

HRESULT CPathgroveCtrl::GetCancelEvent(Variant*, Variant* result) {
    return ax::SetBoolResult(result, m_cancelEvent);
}
// The cancel flag belongs to the event being fired, not to the settings.
HRESULT CPathgroveCtrl::PutCancelEvent(Variant* args, Variant*) {
    m_cancelEvent = args[0].boolVal != ax::VARIANT_FALSE;
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::GetFont(Variant*, Variant* result) {
    m_font->AddRef();
    return ax::SetResult(result, static_cast<ax::IDispatch*>(m_font.Get()));
}
HRESULT CPathgroveCtrl::PutFont(Variant* args, Variant*) {
    FontDesc font;
    HRESULT hr = args[0].pdispVal ? ReadFontFrom(args[0].pdispVal, &font) : ax::E_INVALIDARG;
    if (ax::Failed(hr))
        return hr;
    m_font->SetDesc(font);
    return Modified();
}

HRESULT CPathgroveCtrl::Getroot(Variant*, Variant* result) {
    return GetRootHandle(result);
}

HRESULT CPathgroveCtrl::GetRootPidl(Variant*, Variant* result) {
    return GetRootHandle(result);
}
HRESULT CPathgroveCtrl::PutRootPidl(Variant* args, Variant*) {
    uint64_t handle = 0;
    ItemIdList root;
    if (!HandleFromR8(args[0].dblVal, &handle) ||
        (handle != 0 && !ShellAllocator::Instance().Find(handle, &root)))
        return ax::E_INVALIDARG;
    SetRoot(std::move(root));
    return Modified();
}

// Without a tree window there is no handle and nothing visible.
HRESULT CPathgroveCtrl::GetWindowHandle(Variant*, Variant* result) {
    return ax::SetResult(result, int32_t{0});
}
HRESULT CPathgroveCtrl::GetVisibleCount(Variant*, Variant* result) {
    return ax::SetResult(result, int32_t{0});
}

HRESULT CPathgroveCtrl::CallResetToDesktop(Variant*, Variant*) {
    SetRoot(ItemIdList());
    return Modified();
}

HRESULT CPathgroveCtrl::CallAddCustomContextMenuItem(Variant* args, Variant* result) {
    m_menuCaptions.emplace_back(ax::BstrView(args[0].bstrVal));
    m_menuStates.push_back(args[1].lVal);
    return ax::SetResult(result, static_cast<int32_t>(m_menuCaptions.size() - 1));
}

HRESULT CPathgroveCtrl::CallSetOverlayIcon(Variant* args, Variant* result) {
    if (args[0].lVal < 0)
        return ax::E_INVALIDARG;
    if (m_nextOverlay >= kOverlayNumberLimit)
        return ax::SetResult(result, int32_t{-1});
    m_overlayImages.emplace_back(m_nextOverlay, args[0].lVal);
    return ax::SetResult(result, m_nextOverlay++);
}

HRESULT CPathgroveCtrl::CallStringResources(Variant*, Variant* result) {
    m_strings->AddRef();
    return ax::SetResult(result, static_cast<ax::IDispatch*>(m_strings.Get()));
}

PGV_NOT_BUILT_PROPERTY(SelectedNode)
PGV_NOT_BUILT_PROPERTY(RootFolder)
PGV_NOT_BUILT_READONLY(FirstVisibleNode)
PGV_NOT_BUILT_READONLY(NextVisibleNode)
PGV_NOT_BUILT_METHOD(SelectRootFolder)
PGV_NOT_BUILT_METHOD(SelectParent)
PGV_NOT_BUILT_METHOD(SetSpecialFolderAsRoot)
PGV_NOT_BUILT_METHOD(SelectNode)
PGV_NOT_BUILT_METHOD(SelectChild)
PGV_NOT_BUILT_METHOD(GetFirstItem)
PGV_NOT_BUILT_METHOD(GetNextItem)
PGV_NOT_BUILT_METHOD(CreateNewFolder)
PGV_NOT_BUILT_METHOD(RefreshView)
PGV_NOT_BUILT_METHOD(HitTest)
PGV_NOT_BUILT_METHOD(AddCustomIcon)
PGV_NOT_BUILT_METHOD(GetNode)
PGV_NOT_BUILT_METHOD(AddCustomNode)
PGV_NOT_BUILT_METHOD(GetNodeFromID)
PGV_NOT_BUILT_METHOD(SetCheckboxBitmaps)
PGV_NOT_BUILT_METHOD(FirstCheckedNode)
PGV_NOT_BUILT_METHOD(NextCheckedNode)
PGV_NOT_BUILT_METHOD(Utilities)
PGV_NOT_BUILT_METHOD(BeginUpdate)
PGV_NOT_BUILT_METHOD(EndUpdate)
PGV_NOT_BUILT_METHOD(GoUp)
PGV_NOT_BUILT_METHOD(RefreshTree)
PGV_NOT_BUILT_METHOD(AddRootNode)

} // namespace pgv
