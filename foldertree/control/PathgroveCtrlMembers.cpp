// The settings members of the control's dispatch interface and what their
// puts do to the tree window.
#include "foldertree/control/PathgroveCtrl.h"

#include "foldertree/shell/ShellAllocator.h"

namespace pgv {

using ax::HRESULT;
using ax::Variant;

#define PGV_FLAG_PROPERTY_THEN(Name, field, then)                                                            \
    HRESULT CPathgroveCtrl::Get##Name(Variant*, Variant* result) {                                           \
        return ax::SetBoolResult(result, m_props.field);                                                     \
    }                                                                                                        \
    HRESULT CPathgroveCtrl::Put##Name(Variant* args, Variant*) {                                             \
        HRESULT hr = PutFlag(m_props.field, args[0]);                                                        \
        then;                                                                                                \
        return hr;                                                                                           \
    }
#define PGV_FLAG_PROPERTY(Name, field) PGV_FLAG_PROPERTY_THEN(Name, field, (void)0)

#define PGV_LONG_PROPERTY_THEN(Name, field, allowed, then)                                                   \
    HRESULT CPathgroveCtrl::Get##Name(Variant*, Variant* result) {                                           \
        return ax::SetResult(result, m_props.field);                                                         \
    }                                                                                                        \
    HRESULT CPathgroveCtrl::Put##Name(Variant* args, Variant*) {                                             \
        HRESULT hr = PutChecked(m_props.field, args[0].lVal, allowed(args[0].lVal));                         \
        then;                                                                                                \
        return hr;                                                                                           \
    }
#define PGV_LONG_PROPERTY(Name, field, allowed) PGV_LONG_PROPERTY_THEN(Name, field, allowed, (void)0)

namespace {

constexpr bool AnyValue(int32_t) {
    return true;
}

} // namespace

void CPathgroveCtrl::Rebuild() {
    if (m_tree->IsCreated())
        m_tree->Reroot(m_tree->StoredRoot(), false);
}

void CPathgroveCtrl::Restyle() {
    if (m_tree->IsCreated()) {
        m_tree->ApplyStyle();
        m_tree->ApplyLook();
    }
}

PGV_LONG_PROPERTY(ForeColor, foreColor, AnyValue)
PGV_LONG_PROPERTY(BackColor, backColor, AnyValue)
PGV_LONG_PROPERTY(LineColor, lineColor, AnyValue)
PGV_LONG_PROPERTY_THEN(Indent, indent, IsIndentAllowed, Restyle())
PGV_LONG_PROPERTY(SelectionDelay, selectionDelay, IsSelectionDelayAllowed)

PGV_FLAG_PROPERTY(ShowContextMenus, showContextMenus)
PGV_FLAG_PROPERTY_THEN(ShowFiles, showFiles, Rebuild())
PGV_FLAG_PROPERTY_THEN(ShowSpecailFolders, showSpecialFolders, Rebuild())
PGV_FLAG_PROPERTY_THEN(ShowHiddenObjects, showHiddenObjects, Rebuild())
PGV_FLAG_PROPERTY_THEN(ShowCheckBoxes, showCheckBoxes, Rebuild())
PGV_FLAG_PROPERTY_THEN(QueryHasSubFolders, queryHasSubFolders, Rebuild())
PGV_FLAG_PROPERTY_THEN(HasLines, hasLines, Restyle())
PGV_FLAG_PROPERTY_THEN(HasLinesAtRoot, hasLinesAtRoot, Restyle())
PGV_FLAG_PROPERTY_THEN(HasButtons, hasButtons, Restyle())
PGV_FLAG_PROPERTY_THEN(HotTracking, hotTracking, Restyle())
PGV_FLAG_PROPERTY_THEN(ShowInfoTips, showInfoTips, Restyle())
PGV_FLAG_PROPERTY_THEN(FullRowSelect, fullRowSelect, Restyle())
PGV_FLAG_PROPERTY_THEN(ExpandSelectedNode, expandSelectedNode, Restyle())
PGV_FLAG_PROPERTY_THEN(HideSelection, hideSelection, Restyle())
PGV_FLAG_PROPERTY(AllowNodeRenaming, allowNodeRenaming)
PGV_FLAG_PROPERTY(DefaultKeyHandling, defaultKeyHandling)
PGV_FLAG_PROPERTY(AllowDragDrop, allowDragDrop)
PGV_FLAG_PROPERTY(AutoCheckChildren, autoCheckChildren)
PGV_FLAG_PROPERTY(ShowUIDialogs, showUIDialogs)
PGV_FLAG_PROPERTY(Enabled, enabled)

HRESULT CPathgroveCtrl::GetAutoUpdate(Variant*, Variant* result) {
    return ax::SetBoolResult(result, m_props.autoUpdate);
}
// A registration that fails leaves AutoUpdate off.
HRESULT CPathgroveCtrl::PutAutoUpdate(Variant* args, Variant*) {
    HRESULT hr = PutFlag(m_props.autoUpdate, args[0]);
    if (!m_tree->SetAutoUpdate(m_props.autoUpdate))
        m_props.autoUpdate = false;
    return hr;
}

HRESULT CPathgroveCtrl::GetAllowZipFolders(Variant*, Variant* result) {
    return ax::SetBoolResult(result, m_props.allowZipFolders);
}
HRESULT CPathgroveCtrl::PutAllowZipFolders(Variant* args, Variant*) {
    HRESULT hr = PutFlag(m_props.allowZipFolders, args[0]);
    if (m_tree->IsCreated())
        m_tree->RefreshView();
    return hr;
}

HRESULT CPathgroveCtrl::GetShellImageListType(Variant*, Variant* result) {
    return ax::SetResult(result, m_props.shellImageListType);
}
// A new size of icons makes a new window of the same size and border.
HRESULT CPathgroveCtrl::PutShellImageListType(Variant* args, Variant*) {
    int32_t type = args[0].lVal;
    if (!IsShellImageListTypeAllowed(type) || type == m_props.shellImageListType)
        return ax::S_OK;
    m_props.shellImageListType = type;
    if (m_tree->IsCreated()) {
        PgvRect rect = m_tree->Rect();
        m_tree->Destroy();
        Activate(0, &rect);
    }
    return Modified();
}

HRESULT CPathgroveCtrl::GetBorderStyle(Variant*, Variant* result) {
    return ax::SetResult(result, m_props.borderStyle);
}
HRESULT CPathgroveCtrl::PutBorderStyle(Variant* args, Variant*) {
    HRESULT hr = PutChecked(m_props.borderStyle, args[0].iVal, IsBorderStyleAllowed(args[0].iVal));
    Restyle();
    return hr;
}

HRESULT CPathgroveCtrl::GetCancelEvent(Variant*, Variant* result) {
    return ax::SetBoolResult(result, m_cancelEvent != ax::VARIANT_FALSE);
}
// The cancel flag belongs to the event being fired, not to the settings.
HRESULT CPathgroveCtrl::PutCancelEvent(Variant* args, Variant*) {
    m_cancelEvent = args[0].boolVal != ax::VARIANT_FALSE ? ax::VARIANT_TRUE : ax::VARIANT_FALSE;
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
    m_tree->SetFont(font);
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
    ItemIds item;
    if (!DecodeItemIdList(root.data(), root.size(), &item) && handle != 0)
        return ax::E_INVALIDARG;
    SetRoot(std::move(root));
    Rebuild();
    return Modified();
}

HRESULT CPathgroveCtrl::GetWindowHandle(Variant*, Variant* result) {
    return ax::SetResult(result, m_tree->WindowHandle());
}

HRESULT CPathgroveCtrl::GetVisibleCount(Variant*, Variant* result) {
    return ax::SetResult(result, m_tree->IsCreated() ? m_tree->View().VisibleCount() : int32_t{0});
}

HRESULT CPathgroveCtrl::CallResetToDesktop(Variant*, Variant*) {
    SetRoot(ItemIdList());
    Rebuild();
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
    return ax::SetResult(result, m_images.AddOverlay(args[0].lVal));
}

HRESULT CPathgroveCtrl::CallStringResources(Variant*, Variant* result) {
    m_strings->AddRef();
    return ax::SetResult(result, static_cast<ax::IDispatch*>(m_strings.Get()));
}

HRESULT CPathgroveCtrl::CallUtilities(Variant*, Variant* result) {
    m_utilities->AddRef();
    return ax::SetResult(result, static_cast<ax::IDispatch*>(m_utilities.Get()));
}

} // namespace pgv
