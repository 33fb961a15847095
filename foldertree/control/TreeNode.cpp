#include "foldertree/control/TreeNode.h"

#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/control/Picture.h"
#include "foldertree/shell/ShellAllocator.h"
#include "foldertree/shell/ShellIcons.h"
#include "foldertree/shell/SpecialFolders.h"

#include <new>

namespace pgv {

using ax::HRESULT;
using ax::Variant;

namespace {

#define PGV_HANDLER_CLASS CTreeNode
constexpr ax::DispHandlers<CTreeNode> kHandlers[] = {PGV_NODE_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

bool IsTrue(const Variant& value) {
    return value.boolVal != ax::VARIANT_FALSE;
}

// The verbs of CmdTypes 0 to 9.
constexpr const char16_t* kCommandVerbs[] = {u"open",  u"Explore", u"properties", u"cut",  u"copy",
                                             u"paste", u"delete",  u"link",       u"find", u"print"};

} // namespace

bool IsFillAsked(const Variant& fill) {
    if (!ax::IsArgumentGiven(fill))
        return false;
    ax::ScopedVariant asBool;
    return ax::Succeeded(ax::VariantChangeType(&asBool, &fill, ax::VT_BOOL)) && IsTrue(asBool);
}

CTreeNode::CTreeNode(CPathgroveCtrl* control, TreeHandle item)
    : DispatchObject(node_members::kTable, kHandlers, IID_ITreeNode), m_control(control), m_item(item) {}

CTreeNode::~CTreeNode() = default;

ShellTree& CTreeNode::Tree() const {
    return m_control->Tree();
}

bool CTreeNode::Alive() const {
    return Tree().View().Exists(m_item);
}

HRESULT CTreeNode::NodeResult(Variant* result, TreeHandle item) const {
    return m_control->NodeResult(result, item);
}

HRESULT CTreeNode::SetStateBit(uint32_t bit, const Variant& value) {
    if (!Alive())
        return Stale();
    Tree().View().SetState(m_item, IsTrue(value) ? bit : 0, bit);
    return ax::S_OK;
}

HRESULT CTreeNode::GetDisplayName(Variant*, Variant* result) {
    return ax::SetResult(result, Tree().DisplayName(m_item, SHGDN_INFOLDER));
}

HRESULT CTreeNode::GetBold(Variant*, Variant* result) {
    return ax::SetBoolResult(result, Tree().View().State(m_item, TVIS_BOLD) != 0);
}
HRESULT CTreeNode::PutBold(Variant* args, Variant*) {
    return SetStateBit(TVIS_BOLD, args[0]);
}

HRESULT CTreeNode::GetChecked(Variant*, Variant* result) {
    return ax::SetBoolResult(result, Tree().Checks().IsNodeChecked(m_item));
}
HRESULT CTreeNode::PutChecked(Variant* args, Variant*) {
    if (!Alive())
        return Stale();
    Tree().SetCheckState(m_item, IsTrue(args[0]) ? CO_CHECK : CO_UNCHECK);
    return ax::S_OK;
}

HRESULT CTreeNode::GetPIDL(Variant*, Variant* result) {
    return ax::SetResult(result, HandleToR8(Tree().AbsoluteBlock(m_item)));
}

HRESULT CTreeNode::GetCheckState(Variant*, Variant* result) {
    return ax::SetResult(result, CheckBoxes::Index(Tree().View(), m_item));
}
// Written as given (its low four bits): no propagation, no recomputation.
HRESULT CTreeNode::PutCheckState(Variant* args, Variant*) {
    if (!Alive())
        return Stale();
    CheckBoxes::SetIndex(Tree().View(), m_item, args[0].lVal & 0xF);
    return ax::S_OK;
}

HRESULT CTreeNode::GetPIDLRelative(Variant*, Variant* result) {
    return ax::SetResult(result, HandleToR8(Tree().RelativeBlock(m_item)));
}

HRESULT CTreeNode::GetIconIndex(Variant*, Variant* result) {
    return ax::SetResult(result, Tree().View().Image(m_item));
}
HRESULT CTreeNode::PutIconIndex(Variant* args, Variant*) {
    if (!Alive())
        return Stale();
    Tree().SetIconIndex(m_item, args[0].lVal);
    return ax::S_OK;
}

HRESULT CTreeNode::GetExpanded(Variant*, Variant* result) {
    return ax::SetBoolResult(result, Tree().View().State(m_item, TVIS_EXPANDED) != 0);
}
HRESULT CTreeNode::PutExpanded(Variant* args, Variant*) {
    if (!Alive())
        return Stale();
    Tree().View().Expand(m_item, IsTrue(args[0]) ? TVE_EXPAND : TVE_COLLAPSE);
    return ax::S_OK;
}

HRESULT CTreeNode::GetText(Variant*, Variant* result) {
    return ax::SetResult(result, Tree().View().Text(m_item));
}
HRESULT CTreeNode::PutText(Variant* args, Variant*) {
    if (!Alive())
        return Stale();
    Tree().View().SetText(m_item, std::u16string(ax::BstrView(args[0].bstrVal)));
    return ax::S_OK;
}

HRESULT CTreeNode::GetUserData(Variant*, Variant* result) {
    const ItemData* data = Tree().Data(m_item);
    return data ? ax::VariantCopy(result, &data->userData) : ax::S_OK;
}
HRESULT CTreeNode::PutUserData(Variant* args, Variant*) {
    ItemData* data = Tree().Data(m_item);
    if (!data)
        return Stale();
    return ax::VariantCopy(&data->userData, &args[0]);
}

HRESULT CTreeNode::GetShowCheckBox(Variant*, Variant* result) {
    return ax::SetBoolResult(result, CheckBoxes::Index(Tree().View(), m_item) != CS_NOCHECKBOXES);
}
HRESULT CTreeNode::PutShowCheckBox(Variant* args, Variant*) {
    const ItemData* data = Tree().Data(m_item);
    if (!data)
        return Stale();
    if (!IsTrue(args[0])) {
        CheckBoxes::SetIndex(Tree().View(), m_item, CS_NOCHECKBOXES);
        return ax::S_OK;
    }
    if (!data->offersShare)
        return ax::E_INVALIDARG;
    CheckBoxes::SetIndex(Tree().View(), m_item, CS_UNCHECKED);
    Tree().SetCheckState(m_item, CO_RECOMPUTE);
    return ax::S_OK;
}

HRESULT CTreeNode::GetOverlayIconIndex(Variant*, Variant* result) {
    return ax::SetResult(
        result, static_cast<int32_t>(Tree().View().State(m_item, TVIS_OVERLAYMASK) >> kOverlayShift));
}
HRESULT CTreeNode::PutOverlayIconIndex(Variant* args, Variant*) {
    if (!Alive())
        return Stale();
    int32_t number = args[0].lVal;
    if (number < 0 || number >= kOverlayNumberLimit)
        return ax::E_INVALIDARG;
    Tree().View().SetState(m_item, static_cast<uint32_t>(number) << kOverlayShift, TVIS_OVERLAYMASK);
    return ax::S_OK;
}

HRESULT CTreeNode::GetSelected(Variant*, Variant* result) {
    return ax::SetBoolResult(result, Alive() && Tree().View().Selected() == m_item);
}
// Selects the item whatever the value.
HRESULT CTreeNode::PutSelected(Variant*, Variant*) {
    if (!Alive())
        return Stale();
    Tree().View().Select(m_item, TVC_UNKNOWN);
    return ax::S_OK;
}

HRESULT CTreeNode::GetID(Variant*, Variant* result) {
    return ax::SetResult(result, HandleToR8(Alive() ? m_item : 0));
}

HRESULT CTreeNode::GetHasExpandedOnce(Variant*, Variant* result) {
    return ax::SetBoolResult(result, Tree().View().State(m_item, TVIS_EXPANDEDONCE) != 0);
}

HRESULT CTreeNode::GetIsVisible(Variant*, Variant* result) {
    return ax::SetBoolResult(result, Tree().View().IsRowVisible(m_item));
}

HRESULT CTreeNode::GetLevel(Variant*, Variant* result) {
    return ax::SetResult(result, Tree().View().Level(m_item));
}

HRESULT CTreeNode::GetHilited(Variant*, Variant* result) {
    return ax::SetBoolResult(result, Tree().View().State(m_item, TVIS_DROPHILITED) != 0);
}
HRESULT CTreeNode::PutHilited(Variant* args, Variant*) {
    return SetStateBit(TVIS_DROPHILITED, args[0]);
}

HRESULT CTreeNode::GetParent(Variant*, Variant* result) {
    return NodeResult(result, Tree().View().Parent(m_item));
}

HRESULT CTreeNode::GetChild(Variant* args, Variant* result) {
    if (Alive() && IsFillAsked(args[0]))
        Tree().FillIfNeeded(m_item);
    return NodeResult(result, Tree().View().FirstChild(m_item));
}

HRESULT CTreeNode::GetNextSibling(Variant*, Variant* result) {
    return NodeResult(result, Tree().View().NextSibling(m_item));
}

HRESULT CTreeNode::GetPreviousSibling(Variant*, Variant* result) {
    return NodeResult(result, Tree().View().PreviousSibling(m_item));
}

HRESULT CTreeNode::CallEnsureVisible(Variant*, Variant*) {
    Tree().View().EnsureVisible(m_item);
    return ax::S_OK;
}

HRESULT CTreeNode::GetChildren(Variant* args, Variant* result) {
    if (Alive() && IsFillAsked(args[0]))
        Tree().FillIfNeeded(m_item);
    return ax::SetResult(result, static_cast<int32_t>(Tree().View().Children(m_item).size()));
}

HRESULT CTreeNode::GetSiblings(Variant*, Variant* result) {
    const TreeView& view = Tree().View();
    int32_t siblings = Alive() ? static_cast<int32_t>(view.Children(view.Parent(m_item)).size()) - 1 : 0;
    return ax::SetResult(result, siblings);
}

HRESULT CTreeNode::GetPath(Variant*, Variant* result) {
    return ax::SetResult(result, Tree().PathOf(m_item));
}

// Rename starts label editing whatever the node; the other commands run
// the verb of the item's menu, false when it offers none.
HRESULT CTreeNode::CallExecuteShellCommand(Variant* args, Variant* result) {
    int32_t command = args[0].lVal;
    if (command == CMD_RENAME) {
        Tree().View().BeginLabelEdit(m_item);
        return ax::SetBoolResult(result, true);
    }
    const ItemData* data = Tree().Data(m_item);
    if (!data || data->kind == NK_CUSTOM || command < CMD_OPEN || command >= CMD_RENAME)
        return ax::SetBoolResult(result, false);
    return ax::SetBoolResult(result, Tree().InvokeVerb(m_item, kCommandVerbs[command]));
}

HRESULT CTreeNode::CallSetAsRoot(Variant*, Variant*) {
    const ItemData* data = Tree().Data(m_item);
    if (data && data->kind == NK_SHELL)
        m_control->RerootAndStore(data->item);
    return ax::S_OK;
}

HRESULT CTreeNode::CallAttributes(Variant* args, Variant* result) {
    return ax::SetResult(
        result, static_cast<int32_t>(Tree().Attributes(m_item, static_cast<uint32_t>(args[0].lVal))));
}

HRESULT CTreeNode::CallDelete(Variant*, Variant*) {
    Tree().DeleteItem(m_item);
    return ax::S_OK;
}

HRESULT CTreeNode::CallCreateNewFolder(Variant* args, Variant* result) {
    TreeHandle created = Tree().CreateNewFolder(m_item, ax::BstrView(args[0].bstrVal), IsTrue(args[1]));
    return NodeResult(result, created);
}

HRESULT CTreeNode::GetIsDesktop(Variant*, Variant* result) {
    const ItemData* data = Tree().Data(m_item);
    return ax::SetBoolResult(result, data && data->kind == NK_DESKTOP);
}

HRESULT CTreeNode::GetIsCustom(Variant*, Variant* result) {
    const ItemData* data = Tree().Data(m_item);
    return ax::SetBoolResult(result, data && data->kind == NK_CUSTOM);
}

HRESULT CTreeNode::CallIsSpecialFolder(Variant* args, Variant* result) {
    const ItemData* data = Tree().Data(m_item);
    ItemIds special;
    bool same = data && data->kind != NK_CUSTOM &&
                SpecialFolderItem(Tree().Namespace(), args[0].lVal, &special) &&
                SameItems(special, data->item);
    return ax::SetBoolResult(result, same);
}

HRESULT CTreeNode::CallFindChild(Variant* args, Variant* result) {
    if (!Alive())
        return NodeResult(result, 0);
    Tree().View().Expand(m_item, TVE_EXPAND);
    return NodeResult(result, Tree().FindChild(m_item, ax::BstrView(args[0].bstrVal), nullptr));
}

HRESULT CTreeNode::GetDummy(Variant*, Variant* result) {
    return NodeResult(result, 0);
}

HRESULT CTreeNode::GetDummy1(Variant*, Variant* result) {
    return NodeResult(result, 0);
}

HRESULT CTreeNode::CallDisplayShellMenu(Variant* args, Variant*) {
    if (Alive())
        m_control->ShowContextMenu(m_item, args[0].lVal, args[1].lVal, false);
    return ax::S_OK;
}

HRESULT CTreeNode::CallRefreshCheckState(Variant*, Variant*) {
    if (Alive())
        Tree().Checks().RecomputeUpwards(m_item);
    return ax::S_OK;
}

HRESULT CTreeNode::CallGetShellIcon(Variant* args, Variant* result) {
    const ItemData* data = Tree().Data(m_item);
    int32_t pixels = ShellIconPixels(args[0].lVal);
    if (!data || data->kind == NK_CUSTOM || pixels == 0)
        return NodeResult(result, 0);
    int32_t index = SystemIconIndex(data->item, false);
    return ax::SetResult(result, new (std::nothrow)
                                     CPgvPicture(index, SystemImageList::Instance().NameAt(index), pixels));
}

HRESULT CTreeNode::GetIsFolder(Variant*, Variant* result) {
    return ax::SetBoolResult(result, Tree().IsExpandableFolder(m_item));
}

HRESULT CTreeNode::CallGetDisplayNameEx(Variant* args, Variant* result) {
    return ax::SetResult(result, Tree().DisplayName(m_item, static_cast<uint32_t>(args[0].lVal)));
}

HRESULT CTreeNode::CallGetChildrenCheckState(Variant*, Variant* result) {
    // A deleted item has no children (0 would say all of them are checked).
    return ax::SetResult(result, Tree().Checks().Summary(m_item));
}

HRESULT CTreeNode::CallRefreshChildren(Variant*, Variant*) {
    Tree().RefreshFolder(m_item);
    return ax::S_OK;
}

HRESULT CTreeNode::CallRefreshTree(Variant*, Variant*) {
    if (Alive())
        Tree().RefreshSubtree(m_item);
    return ax::S_OK;
}

HRESULT CTreeNode::CallToggle(Variant*, Variant*) {
    Tree().View().Expand(m_item, TVE_TOGGLE);
    return ax::S_OK;
}

HRESULT CTreeNode::CallBeginLabelEdit(Variant*, Variant*) {
    Tree().View().BeginLabelEdit(m_item);
    return ax::S_OK;
}

HRESULT CTreeNode::CallEndLabelEdit(Variant* args, Variant*) {
    if (Alive() && Tree().View().EditItem() == m_item)
        Tree().View().EndLabelEdit(IsTrue(args[0]));
    return ax::S_OK;
}

HRESULT CTreeNode::CallGetPreviousVisibleNode(Variant*, Variant* result) {
    return NodeResult(result, Tree().View().PreviousVisible(m_item));
}

HRESULT CTreeNode::CallGetNextVisibleNode(Variant*, Variant* result) {
    return NodeResult(result, Tree().View().NextVisible(m_item));
}

} // namespace pgv
