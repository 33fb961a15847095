// One tree item as the host sees it. A node names its item by handle and
// keeps no copy of it, so it always shows the item as it is now; once the
// item is gone, gets answer null, false, "" or 0 and puts E_INVALIDARG.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/DispatchObject.h"
#include "foldertree/tree/TreeView.h"

namespace pgv {

class CPathgroveCtrl;
class ShellTree;

class CTreeNode final : public ax::DispatchObject<CTreeNode> {
  public:
    CTreeNode(CPathgroveCtrl* control, TreeHandle item);
    ~CTreeNode() override;

    TreeHandle Item() const { return m_item; }

    PGV_NODE_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    ShellTree& Tree() const;
    bool Alive() const;
    // The put's answer for a node whose item is gone.
    ax::HRESULT Stale() const { return ax::E_INVALIDARG; }
    ax::HRESULT NodeResult(ax::Variant* result, TreeHandle item) const;
    ax::HRESULT SetStateBit(uint32_t bit, const ax::Variant& value);

    ax::ComPtr<CPathgroveCtrl> m_control;
    TreeHandle m_item;
};

// Whether an optional Fill argument asks for filling.
bool IsFillAsked(const ax::Variant& fill);

} // namespace pgv
