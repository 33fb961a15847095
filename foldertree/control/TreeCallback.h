// What the tree window gives the host's loop to call back: the selection
// and drag timers and the change watcher's descriptor. The window detaches it when it
// goes, so a late call does nothing; a call holds the control meanwhile.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/RefCounted.h"

namespace pgv {

class ShellTree;

enum TreeCallbackKind {
    TCK_SELECTION_TIMER,
    TCK_CHANGES,
    TCK_SCROLL_TIMER,
    TCK_HOVER_TIMER,
};

class TreeCallback final : public IPgvCallback, public ax::RefCounted {
  public:
    TreeCallback(ShellTree* tree, TreeCallbackKind kind) : m_tree(tree), m_kind(kind) {}

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS

    void Run() override;
    void Detach() { m_tree = nullptr; }

  private:
    ShellTree* m_tree;
    TreeCallbackKind m_kind;
};

} // namespace pgv
