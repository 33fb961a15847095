#include "foldertree/module/ClassFactory.h"
#include "foldertree/automation/QueryInterface.h"

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/Guard.h"
#include "foldertree/control/PathgroveCtrl.h"

#include <new>

namespace pgv {

ax::HRESULT PathgroveFactory::QueryInterface(const ax::Guid& iid, void** out) {
    return ax::QuerySingleInterface<ax::IClassFactory>(this, iid, ax::IID_IClassFactory, out);
}

ax::HRESULT PathgroveFactory::CreateInstance(ax::IUnknown* outer, const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (outer)
        return ax::CLASS_E_NOAGGREGATION;
    // The control's members allocate as it is built.
    return ax::CatchAll([&] {
        auto control = ax::ComPtr<CPathgroveCtrl>::Attach(new CPathgroveCtrl());
        return control->QueryInterface(iid, out);
    });
}

ax::HRESULT PathgroveFactory::LockServer(bool lock) {
    if (lock)
        ax::ModuleAddRef();
    else
        ax::ModuleRelease();
    return ax::S_OK;
}

ax::HRESULT GetClassObject(const ax::Guid& clsid, const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (!(clsid == CLSID_Pathgrove))
        return ax::CLASS_E_CLASSNOTAVAILABLE;
    auto* made = new (std::nothrow) PathgroveFactory();
    if (!made)
        return ax::E_OUTOFMEMORY;
    auto factory = ax::ComPtr<PathgroveFactory>::Attach(made);
    return factory->QueryInterface(iid, out);
}

} // namespace pgv
