// The members of the control's dispatch interface that work on the tree:
// roots, node lookups, selection, walks, custom nodes and images.
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/control/TreeNode.h"
#include "foldertree/shell/IconFile.h"
#include "foldertree/shell/ShellAllocator.h"
#include "foldertree/shell/SpecialFolders.h"

#include <cmath>
#include <cwctype>

namespace pgv {

using ax::HRESULT;
using ax::Variant;

namespace {

constexpr const char16_t* kSelectRootTitle = u"Select the Root Folder";
constexpr std::u16string_view kIconSuffix = u".ico";
constexpr std::u16string_view kBitmapSuffix = u".bmp";

bool HasSuffix(std::u16string_view path, std::u16string_view suffix) {
    if (path.size() < suffix.size())
        return false;
    std::u16string_view tail = path.substr(path.size() - suffix.size());
    for (size_t i = 0; i < tail.size(); ++i) {
        if (std::towlower(tail[i]) != static_cast<wint_t>(suffix[i]))
            return false;
    }
    return true;
}

HRESULT GetProperty(ax::IDispatch* object, ax::DISPID id, ax::VARTYPE vt, ax::ScopedVariant* value) {
    ax::DispParams none = {nullptr, 0};
    ax::ExcepInfo excep = {};
    HRESULT hr = object->Invoke(id, ax::DISPATCH_PROPERTYGET, &none, value, &excep, nullptr);
    ax::ClearExcepInfo(&excep);
    return ax::Failed(hr) ? hr : ax::VariantChangeType(value, value, vt);
}

// A picture object's type and size in pixels.
bool ReadPicture(ax::IDispatch* picture, int32_t dpi, int16_t* type, int32_t* width, int32_t* height) {
    ax::ScopedVariant kind, cx, cy;
    if (!picture || ax::Failed(GetProperty(picture, PICT_TYPE, ax::VT_I2, &kind)) ||
        ax::Failed(GetProperty(picture, PICT_WIDTH, ax::VT_I4, &cx)) ||
        ax::Failed(GetProperty(picture, PICT_HEIGHT, ax::VT_I4, &cy)))
        return false;
    *type = kind.iVal;
    *width = HimetricToPixels(cx.lVal, dpi);
    *height = HimetricToPixels(cy.lVal, dpi);
    return *width > 0 && *height > 0 && *width <= kMaxImageSide && *height <= kMaxImageSide;
}

// Whether a float converts to a 32-bit integer: finite and within range.
bool IsCoordinate(float value) {
    constexpr float kLimit = 2147483648.0F; // 2^31
    return std::isfinite(value) && value >= -kLimit && value < kLimit;
}

} // namespace

const ShellNamespace& CPathgroveCtrl::Namespace() {
    if (!m_tree->IsCreated())
        m_tree->Namespace() = ShellNamespace::FromEnvironment();
    return m_tree->Namespace();
}

void CPathgroveCtrl::RerootAndStore(const ItemIds& item) {
    SetRoot(item.empty() ? ItemIdList() : EncodeItemIdList(item));
    m_tree->Reroot(item, false);
    Modified();
}

TreeHandle CPathgroveCtrl::ItemOfNode(ax::IDispatch* node) {
    ax::ScopedVariant id;
    uint64_t item = 0;
    if (!node || ax::Failed(GetProperty(node, PGVN_ID, ax::VT_R8, &id)) || !HandleFromR8(id.dblVal, &item))
        return 0;
    return m_tree->View().Exists(item) ? item : 0;
}

bool CPathgroveCtrl::LookupTarget(const Variant& path, const Variant& pidl, ItemIds* target, bool* isRoot) {
    *isRoot = false;
    std::u16string_view text = ax::BstrView(path.bstrVal);
    if (!text.empty())
        return m_tree->ParsePath(text, target);
    uint64_t handle = 0;
    if (!HandleFromR8(pidl.dblVal, &handle))
        return false;
    if (handle == 0) {
        // The desktop: the root node when the root is the desktop.
        *isRoot = m_tree->StoredRoot().empty();
        target->clear();
        return true;
    }
    ItemIdList bytes;
    return ShellAllocator::Instance().Find(handle, &bytes) &&
           DecodeItemIdList(bytes.data(), bytes.size(), target);
}

// args: Path, PIDL, Add.
TreeHandle CPathgroveCtrl::LookupNode(Variant* args) {
    ItemIds target;
    bool isRoot = false;
    if (!m_tree->IsCreated() || !LookupTarget(args[0], args[1], &target, &isRoot))
        return 0;
    if (isRoot)
        return m_tree->RootItem();
    return m_tree->GetNode(target, args[2].boolVal != ax::VARIANT_FALSE);
}

HRESULT CPathgroveCtrl::GetSelectedNode(Variant*, Variant* result) {
    TreeView& view = m_tree->View();
    if (m_tree->IsCreated() && !view.Selected())
        view.Select(view.FirstRoot(), TVC_UNKNOWN);
    return NodeResult(result, view.Selected());
}
HRESULT CPathgroveCtrl::PutSelectedNode(Variant* args, Variant*) {
    TreeHandle item = ItemOfNode(args[0].pdispVal);
    if (!item)
        return ax::E_INVALIDARG;
    m_tree->View().Select(item, TVC_UNKNOWN);
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::GetRootFolder(Variant*, Variant* result) {
    const ShellNamespace& shell = Namespace();
    ItemIds root = m_tree->StoredRoot();
    std::string path;
    if (shell.PathOf(root, &path))
        return ax::SetResult(result, ax::Utf8ToUtf16(path));
    return ax::SetResult(result, shell.DisplayName(root, SHGDN_FORPARSING));
}
HRESULT CPathgroveCtrl::PutRootFolder(Variant* args, Variant*) {
    ItemIds root;
    if (!Namespace().Parse(ax::Utf16ToUtf8(ax::BstrView(args[0].bstrVal)), PM_EXISTING, &root))
        return ax::E_INVALIDARG;
    RerootAndStore(root);
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::GetFirstVisibleNode(Variant*, Variant* result) {
    m_visibleCursor = m_tree->IsCreated() ? m_tree->View().FirstVisible() : 0;
    return NodeResult(result, m_visibleCursor);
}

HRESULT CPathgroveCtrl::GetNextVisibleNode(Variant*, Variant* result) {
    m_visibleCursor = m_tree->View().NextVisible(m_visibleCursor);
    return NodeResult(result, m_visibleCursor);
}

HRESULT CPathgroveCtrl::CallSelectRootFolder(Variant*, Variant*) {
    ax::ComPtr<IPgvPresenter> presenter;
    HRESULT hr = m_site ? m_site->GetPresenter(presenter.Out()) : ax::E_FAIL;
    if (ax::Failed(hr))
        return hr;
    ax::BSTR chosen = nullptr;
    hr = presenter->ChooseFolder(kSelectRootTitle, &chosen);
    ax::Bstr owned = ax::Bstr::Attach(chosen);
    if (hr != ax::S_OK)
        return ax::Failed(hr) ? hr : ax::S_OK;
    const ShellNamespace& shell = Namespace();
    ItemIds root, desktopFolder;
    if (!shell.Parse(owned.ToUtf8(), PM_EXISTING, &root))
        return ax::E_INVALIDARG;
    // The chooser names folders by path: the desktop's folder chosen is the
    // desktop.
    if (shell.Parse(shell.Roots().desktop, PM_LEXICAL, &desktopFolder) && SameItems(root, desktopFolder))
        root.clear();
    RerootAndStore(root);
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::CallSelectParent(Variant*, Variant*) {
    TreeView& view = m_tree->View();
    if (TreeHandle parent = view.Parent(view.Selected()))
        view.Select(parent, TVC_UNKNOWN);
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::CallGoUp(Variant* args, Variant* result) {
    return CallSelectParent(args, result);
}

HRESULT CPathgroveCtrl::CallSetSpecialFolderAsRoot(Variant* args, Variant*) {
    ItemIds root;
    if (!SpecialFolderItem(Namespace(), args[0].lVal, &root))
        return ax::E_INVALIDARG;
    RerootAndStore(root);
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::CallSelectNode(Variant* args, Variant* result) {
    TreeHandle node = LookupNode(args);
    return ax::SetBoolResult(result, node && m_tree->View().Select(node, TVC_UNKNOWN));
}

HRESULT CPathgroveCtrl::CallSelectChild(Variant* args, Variant* result) {
    TreeView& view = m_tree->View();
    TreeHandle selected = view.Selected();
    if (!selected)
        return ax::SetBoolResult(result, false);
    view.Expand(selected, TVE_EXPAND);
    std::u16string_view name = ax::BstrView(args[0].bstrVal);
    ItemId entry;
    uint64_t handle = 0;
    ItemIdList bytes;
    bool byEntry = name.empty() && HandleFromR8(args[1].dblVal, &handle) &&
                   ShellAllocator::Instance().Find(handle, &bytes) &&
                   DecodeRelativeItemId(bytes.data(), bytes.size(), &entry);
    TreeHandle child = 0;
    for (TreeHandle candidate : view.Children(selected)) {
        const ItemData* data = m_tree->Data(candidate);
        if (!data || data->kind != NK_SHELL)
            continue;
        bool match = byEntry ? SameItem(data->item.back(), entry)
                             : !name.empty() && m_tree->DisplayName(candidate, SHGDN_INFOLDER) == name;
        if (match) {
            child = candidate;
            break;
        }
    }
    return ax::SetBoolResult(result, child && view.Select(child, TVC_UNKNOWN));
}

HRESULT CPathgroveCtrl::CallGetFirstItem(Variant*, Variant* result) {
    m_itemCursor = m_tree->View().FirstRoot();
    return NodeResult(result, m_itemCursor);
}

HRESULT CPathgroveCtrl::CallGetNextItem(Variant*, Variant* result) {
    m_itemCursor = m_tree->View().NextPreOrder(m_itemCursor);
    return NodeResult(result, m_itemCursor);
}

HRESULT CPathgroveCtrl::CallCreateNewFolder(Variant* args, Variant* result) {
    TreeHandle selected = m_tree->View().Selected();
    return NodeResult(result, m_tree->CreateNewFolder(selected, u"", args[0].boolVal != ax::VARIANT_FALSE));
}

HRESULT CPathgroveCtrl::CallRefreshView(Variant*, Variant*) {
    m_tree->RefreshView();
    return ax::S_OK;
}

// args: HitTestInfo (optional, by reference), x, y in container units.
HRESULT CPathgroveCtrl::CallHitTest(Variant* args, Variant* result) {
    // A point that is no number or no 32-bit one names no place.
    if (!IsCoordinate(args[1].fltVal) || !IsCoordinate(args[2].fltVal))
        return ax::E_INVALIDARG;
    int32_t x = static_cast<int32_t>(args[1].fltVal), y = static_cast<int32_t>(args[2].fltVal);
    ax::ScopedVariant units;
    bool pixels = !m_site || ax::Failed(m_site->GetAmbient(AMBIENT_SCALEUNITS, &units)) ||
                  units.vt != ax::VT_BSTR ||
                  ax::Utf16ToUtf8(ax::BstrView(units.bstrVal)).find("pix") != std::string::npos;
    if (!pixels) {
        int32_t hx = 0, hy = 0;
        if (ax::Failed(m_site->ContainerToHimetric(args[1].fltVal, args[2].fltVal, &hx, &hy)))
            return ax::E_INVALIDARG;
        x = HimetricToPixels(hx, Dpi());
        y = HimetricToPixels(hy, Dpi());
    }
    uint32_t flags = TVHT_NOWHERE;
    TreeHandle item = m_tree->IsCreated() ? m_tree->View().HitTest(x, y, &flags) : 0;
    if (ax::IsArgumentGiven(args[0]))
        ax::StoreByRef(args[0], ax::MakeI4(static_cast<int32_t>(flags)));
    return NodeResult(result, item);
}

HRESULT CPathgroveCtrl::CallAddCustomIcon(Variant* args, Variant* result) {
    std::u16string_view path = ax::BstrView(args[0].bstrVal);
    ax::IDispatch* picture = args[1].pdispVal;
    TreeImage image;
    if (picture) {
        int16_t type = 0;
        if (!ReadPicture(picture, Dpi(), &type, &image.width, &image.height) ||
            (type != PICTYPE_ICON && type != PICTYPE_BITMAP))
            return ax::SetResult(result, int32_t{-1});
    } else {
        ImageHeader header;
        bool icon = HasSuffix(path, kIconSuffix);
        if ((!icon && !HasSuffix(path, kBitmapSuffix)) ||
            !ReadImageFile(ax::Utf16ToUtf8(path), icon ? IFK_ICON : IFK_BITMAP, m_images.IconSize(), &header))
            return ax::SetResult(result, int32_t{-1});
        image.file = ax::Utf16ToUtf8(path);
        image.width = header.width;
        image.height = header.height;
    }
    return ax::SetResult(result, m_images.Add(std::move(image)));
}

HRESULT CPathgroveCtrl::CallGetNode(Variant* args, Variant* result) {
    return NodeResult(result, LookupNode(args));
}

// args: RelativeNodeID, RelativeNodeObject, Relation, Text, IconIndex,
// SelectedIconIndex.
HRESULT CPathgroveCtrl::CallAddCustomNode(Variant* args, Variant* result) {
    uint64_t relative = 0;
    if (args[1].pdispVal)
        relative = ItemOfNode(args[1].pdispVal);
    else if (!HandleFromR8(args[0].dblVal, &relative))
        relative = 0;
    TreeHandle added = m_tree->InsertCustomNode(
        relative, args[2].lVal, std::u16string(ax::BstrView(args[3].bstrVal)), args[4].lVal, args[5].lVal);
    return ax::SetResult(result, HandleToR8(added));
}

HRESULT CPathgroveCtrl::CallGetNodeFromID(Variant* args, Variant* result) {
    uint64_t item = 0;
    return NodeResult(result, HandleFromR8(args[0].dblVal, &item) ? item : 0);
}

// args: a picture strip of five cells (an empty one, then states 1 to 4),
// the cell width and the transparent colour.
HRESULT CPathgroveCtrl::CallSetCheckboxBitmaps(Variant* args, Variant*) {
    int16_t type = 0;
    int32_t width = 0, height = 0, cell = args[1].lVal;
    if (!ReadPicture(args[0].pdispVal, Dpi(), &type, &width, &height) || type != PICTYPE_BITMAP || cell < 1 ||
        cell > width / kStateImageCells)
        return ax::E_INVALIDARG;
    m_images.SetStates({cell, height, true, args[2].lVal});
    Restyle();
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::CallFirstCheckedNode(Variant*, Variant* result) {
    m_checkedCursor = m_tree->Checks().NextChecked(0);
    return NodeResult(result, m_checkedCursor);
}

HRESULT CPathgroveCtrl::CallNextCheckedNode(Variant*, Variant* result) {
    // A cursor whose item was deleted ends the walk.
    m_checkedCursor =
        m_tree->View().Exists(m_checkedCursor) ? m_tree->Checks().NextChecked(m_checkedCursor) : 0;
    return NodeResult(result, m_checkedCursor);
}

HRESULT CPathgroveCtrl::CallBeginUpdate(Variant*, Variant*) {
    m_tree->View().SetRedraw(false);
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::CallEndUpdate(Variant* args, Variant*) {
    m_tree->View().SetRedraw(true);
    if (args[0].boolVal != ax::VARIANT_FALSE)
        m_tree->View().Invalidate();
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::CallRefreshTree(Variant*, Variant*) {
    const std::vector<TreeHandle> roots = m_tree->View().Children(0);
    for (TreeHandle root : roots)
        m_tree->RefreshSubtree(root);
    return ax::S_OK;
}

HRESULT CPathgroveCtrl::CallAddRootNode(Variant* args, Variant* result) {
    uint64_t handle = 0;
    ItemIdList bytes;
    ItemIds item;
    if (!HandleFromR8(args[0].dblVal, &handle))
        return ax::E_INVALIDARG;
    if (handle != 0 && (!ShellAllocator::Instance().Find(handle, &bytes) ||
                        !DecodeItemIdList(bytes.data(), bytes.size(), &item)))
        return ax::E_INVALIDARG;
    return NodeResult(result, m_tree->AddRootNode(handle ? &item : nullptr, args[1].lVal));
}

} // namespace pgv
