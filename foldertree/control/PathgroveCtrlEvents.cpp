// The events the control fires at its host, and the node objects they
// carry. Every node event passes a new node; the control drops its own
// reference right after the call. ConnectionPoint::Fire holds the control
// and the sinks meanwhile, since a handler may release either.
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/control/TreeNode.h"
#include "foldertree/shell/ShellAllocator.h"

#include <new>

namespace pgv {

ax::IDispatch* CPathgroveCtrl::NewNode(TreeHandle item) {
    if (!m_tree->View().Exists(item))
        return nullptr;
    return new (std::nothrow) CTreeNode(this, item);
}

ax::HRESULT CPathgroveCtrl::NodeResult(ax::Variant* result, TreeHandle item) {
    return ax::SetResult(result, NewNode(item));
}

void CPathgroveCtrl::FireWithNode(int32_t dispid, TreeHandle item, ax::Variant* rest, uint32_t restCount) {
    auto node = ax::ComPtr<ax::IDispatch>::Attach(NewNode(item));
    if (!node)
        return;
    ax::Variant args[4];
    args[0] = ax::MakeDispatch(node.Get());
    ax::VariantsGuard clear(args, 1);
    for (uint32_t i = 0; i < restCount && i + 1 < 4; ++i)
        args[i + 1] = rest[i];
    m_events.Fire(dispid, args, restCount + 1);
}

bool CPathgroveCtrl::FireCancellable(int32_t dispid, TreeHandle item) {
    ax::VARIANT_BOOL cancel = ax::VARIANT_FALSE;
    m_cancelEvent = ax::VARIANT_FALSE;
    ax::Variant rest[] = {ax::MakeByRef(ax::VT_BOOL, &cancel)};
    FireWithNode(dispid, item, rest, 1);
    return TakeCancelEvent() || cancel != ax::VARIANT_FALSE;
}

void CPathgroveCtrl::FireNode(int32_t dispid, TreeHandle item) {
    FireWithNode(dispid, item, nullptr, 0);
}

bool CPathgroveCtrl::FireAfterRename(TreeHandle item, const std::u16string& text, bool abandoned) {
    ax::VARIANT_BOOL cancel = abandoned ? ax::VARIANT_TRUE : ax::VARIANT_FALSE;
    m_cancelEvent = ax::VARIANT_FALSE;
    ax::Variant rest[] = {ax::MakeBstr(text), ax::MakeByRef(ax::VT_BOOL, &cancel)};
    ax::VariantsGuard clear(rest, 2);
    FireWithNode(PGVE_ONAFTERNODERENAME, item, rest, 2);
    return TakeCancelEvent() || cancel != ax::VARIANT_FALSE;
}

void CPathgroveCtrl::FireInfoTip(TreeHandle item, std::u16string* tip) {
    ax::Bstr text(*tip);
    ax::Variant rest[] = {ax::MakeByRef(ax::VT_BSTR, text.Address())};
    FireWithNode(PGVE_ONGETINFOTIP, item, rest, 1);
    // Only as much as the tree's buffer holds is copied.
    tip->assign(text.View().substr(0, kMaxInfoTipUnits));
}

void CPathgroveCtrl::FireInitialize(std::u16string* path, uint64_t* block) {
    ax::Bstr text(u"");
    double pidl = 0;
    ax::Variant args[] = {ax::MakeByRef(ax::VT_BSTR, text.Address()), ax::MakeByRef(ax::VT_R8, &pidl)};
    m_events.Fire(PGVE_INITIALIZE, args, 2);
    *path = text.View();
    if (!HandleFromR8(pidl, block))
        *block = 0;
}

bool CPathgroveCtrl::FireShellCommand(const std::u16string& verb) {
    ax::VARIANT_BOOL cancel = ax::VARIANT_FALSE;
    m_cancelEvent = ax::VARIANT_FALSE;
    ax::Variant args[] = {ax::MakeBstr(verb), ax::MakeByRef(ax::VT_BOOL, &cancel)};
    ax::VariantsGuard clear(args, 2);
    m_events.Fire(PGVE_ONBEFORESHELLCOMMANDEXECUTE, args, 2);
    return TakeCancelEvent() || cancel != ax::VARIANT_FALSE;
}

void CPathgroveCtrl::FireMouse(int32_t dispid, int16_t button, int16_t shift, int32_t x, int32_t y) {
    if (dispid == PGVE_CLICK || dispid == PGVE_DBLCLICK) {
        m_events.Fire(dispid, nullptr, 0);
        return;
    }
    ax::Variant args[] = {ax::MakeI2(button), ax::MakeI2(shift), ax::MakeI4(x), ax::MakeI4(y)};
    m_events.Fire(dispid, args, 4);
}

bool CPathgroveCtrl::FireKey(int32_t dispid, uint32_t key, uint32_t modifiers) {
    int16_t code = static_cast<int16_t>(key);
    m_cancelEvent = ax::VARIANT_FALSE;
    ax::Variant args[] = {ax::MakeByRef(ax::VT_I2, &code),
                          ax::MakeI2(static_cast<int16_t>(modifiers & (MOD_SHIFT | MOD_CTRL | MOD_ALT)))};
    m_events.Fire(dispid, args, 2);
    return TakeCancelEvent();
}

bool CPathgroveCtrl::TakeCancelEvent() {
    bool cancelled = m_cancelEvent != ax::VARIANT_FALSE;
    m_cancelEvent = ax::VARIANT_FALSE;
    return cancelled;
}

bool CPathgroveCtrl::UserMode() {
    ax::ScopedVariant mode;
    if (!m_site || ax::Failed(m_site->GetAmbient(AMBIENT_USERMODE, &mode)) ||
        ax::Failed(ax::VariantChangeType(&mode, &mode, ax::VT_BOOL)))
        return true;
    return mode.boolVal != ax::VARIANT_FALSE;
}

void CPathgroveCtrl::Log(int32_t level, const std::string& text) {
    if (m_site)
        m_site->Log(level, ax::Utf8ToUtf16(text).c_str());
}

void CPathgroveCtrl::StoreRoot(ItemIdList root) {
    SetRoot(std::move(root));
}

} // namespace pgv
