// QueryInterface for an object with one interface besides IUnknown.
#pragma once

#include "foldertree/automation/Interfaces.h"

namespace ax {

template <class Interface>
HRESULT QuerySingleInterface(Interface* self, const Guid& iid, const Guid& own, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!(iid == IID_IUnknown) && !(iid == own))
        return E_NOINTERFACE;
    *out = self;
    self->AddRef();
    return S_OK;
}

} // namespace ax
