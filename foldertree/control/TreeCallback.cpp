#include "foldertree/control/TreeCallback.h"

#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/Guard.h"
#include "foldertree/control/ShellTree.h"

namespace pgv {

ax::HRESULT TreeCallback::QueryInterface(const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (!(iid == ax::IID_IUnknown))
        return ax::E_NOINTERFACE;
    *out = static_cast<ax::IUnknown*>(this);
    AddRef();
    return ax::S_OK;
}

void TreeCallback::Run() {
    if (!m_tree)
        return;
    ax::ComPtr<TreeCallback> self(this);
    ax::ComPtr<ax::IUnknown> control(m_tree->Owner());
    ax::CatchAllVoid([&] {
        switch (m_kind) {
        case TCK_SELECTION_TIMER:
            m_tree->OnSelectionTimer();
            break;
        case TCK_CHANGES:
            m_tree->OnChangesReady();
            break;
        case TCK_SCROLL_TIMER:
            m_tree->OnScrollTimer();
            break;
        case TCK_HOVER_TIMER:
            m_tree->OnHoverTimer();
            break;
        }
    });
}

} // namespace pgv
