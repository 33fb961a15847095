#include "foldertree/module/ClassFactory.h"
#include "foldertree/automation/QueryInterface.h"

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/Guard.h"
#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/pages/PropertyPage.h"

#include <new>

namespace pgv {
namespace {

ax::HRESULT CreateControl(const ax::Guid&, const ax::Guid& iid, void** out) {
    auto control = ax::ComPtr<CPathgroveCtrl>::Attach(new CPathgroveCtrl());
    return control->QueryInterface(iid, out);
}

ax::HRESULT CreatePage(const ax::Guid& clsid, const ax::Guid& iid, void** out) {
    const PageDescription* page = FindPage(clsid);
    if (!page)
        return ax::CLASS_E_CLASSNOTAVAILABLE;
    auto made = ax::ComPtr<CPropertyPage>::Attach(new CPropertyPage(*page));
    return made->QueryInterface(iid, out);
}

} // namespace

ax::HRESULT ClassFactory::QueryInterface(const ax::Guid& iid, void** out) {
    return ax::QuerySingleInterface<ax::IClassFactory>(this, iid, ax::IID_IClassFactory, out);
}

ax::HRESULT ClassFactory::CreateInstance(ax::IUnknown* outer, const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (outer)
        return ax::CLASS_E_NOAGGREGATION;
    // The objects allocate as they are built.
    return ax::CatchAll([&] { return m_create(m_clsid, iid, out); });
}

ax::HRESULT ClassFactory::LockServer(bool lock) {
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
    ClassFactory::Creator create = nullptr;
    if (clsid == CLSID_Pathgrove)
        create = CreateControl;
    else if (FindPage(clsid))
        create = CreatePage;
    else
        return ax::CLASS_E_CLASSNOTAVAILABLE;
    auto* made = new (std::nothrow) ClassFactory(clsid, create);
    if (!made)
        return ax::E_OUTOFMEMORY;
    auto factory = ax::ComPtr<ClassFactory>::Attach(made);
    return factory->QueryInterface(iid, out);
}

} // namespace pgv
