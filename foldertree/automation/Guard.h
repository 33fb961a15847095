// Entry points of a module answer every failure as a result code: an
// exception from the standard library below them (an allocation that failed)
// never unwinds into the caller's module.
#pragma once

#include "foldertree/automation/HResult.h"

#include <exception>
#include <new>

namespace ax {

template <class Call> HRESULT CatchAll(Call&& call) noexcept {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

// For entry points without a result (callbacks): the failure is dropped.
template <class Call> void CatchAllVoid(Call&& call) noexcept {
    CatchAll([&] {
        call();
        return S_OK;
    });
}

} // namespace ax
