// Makes the library's classes for their class ids: the control and its two
// property pages.
#pragma once

#include "foldertree/automation/Interfaces.h"
#include "foldertree/automation/RefCounted.h"

namespace pgv {

class ClassFactory final : public ax::IClassFactory, public ax::RefCounted {
  public:
    // A new object of the class, asked for as `iid`.
    using Creator = ax::HRESULT (*)(const ax::Guid& clsid, const ax::Guid& iid, void** out);

    ClassFactory(const ax::Guid& clsid, Creator create) : m_clsid(clsid), m_create(create) {}

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT CreateInstance(ax::IUnknown* outer, const ax::Guid& iid, void** out) override;
    ax::HRESULT LockServer(bool lock) override;

  private:
    ax::Guid m_clsid;
    Creator m_create;
};

// The factory of `clsid`, asked for as `iid`.
ax::HRESULT GetClassObject(const ax::Guid& clsid, const ax::Guid& iid, void** out);

} // namespace pgv
