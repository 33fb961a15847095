// Makes the control for its class id.
#pragma once

#include "foldertree/automation/Interfaces.h"
#include "foldertree/automation/RefCounted.h"

namespace pgv {

class PathgroveFactory final : public ax::IClassFactory, public ax::RefCounted {
  public:
    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT CreateInstance(ax::IUnknown* outer, const ax::Guid& iid, void** out) override;
    ax::HRESULT LockServer(bool lock) override;
};

// The factory of `clsid`, asked for as `iid`.
ax::HRESULT GetClassObject(const ax::Guid& clsid, const ax::Guid& iid, void** out);

} // namespace pgv
