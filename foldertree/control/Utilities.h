// The utilities object: item-id list and icon helpers for hosts. Lists
// cross as handles of the shell allocator (R8, 0 for none); a non-zero
// handle that names no live list is refused with E_INVALIDARG (PIDLFree
// ignores it). One per control; icon indices are those of the control's
// image list.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/DispatchObject.h"
#include "foldertree/shell/ShellNamespace.h"

namespace pgv {

class CPathgroveCtrl;

class CUtilities final : public ax::DispatchObject<CUtilities> {
  public:
    explicit CUtilities(CPathgroveCtrl* control);
    // The control is going: later calls use the environment's namespace and
    // give no icon indices.
    void Detach() { m_control = nullptr; }

    PGV_UTILITIES_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    // The list of a handle argument: false for a handle that is not alive
    // (0 gives true and no bytes).
    bool Lookup(const ax::Variant& arg, uint64_t* handle, ItemIdList* bytes) const;
    // The item of a handle argument: IA_NONE for 0, IA_OTHER for a list
    // that is not an absolute one.
    enum ItemArgument { IA_UNKNOWN, IA_NONE, IA_OTHER, IA_ITEM };
    ItemArgument LookupItem(const ax::Variant& arg, ItemIds* item) const;
    ShellNamespace Namespace() const;
    ax::HRESULT StoreResult(ax::Variant* result, const ItemIdList& bytes) const;
    int32_t MappedIcon(int32_t systemIndex);

    CPathgroveCtrl* m_control;
};

} // namespace pgv
