// The library's four entry points, the only symbols it exports.
#include "foldertree/automation/Guard.h"
#include "foldertree/automation/ModuleLock.h"
#include "foldertree/module/ClassFactory.h"
#include "foldertree/registry/Registration.h"
#include "foldertree/registry/RegistryFile.h"

#include <dlfcn.h>

#define PGV_EXPORT extern "C" __attribute__((visibility("default")))

PGV_EXPORT ax::HRESULT DllGetClassObject(const ax::Guid* clsid, const ax::Guid* iid, void** out) {
    if (!clsid || !iid)
        return ax::E_POINTER;
    return ax::CatchAll([&] { return pgv::GetClassObject(*clsid, *iid, out); });
}

PGV_EXPORT ax::HRESULT DllCanUnloadNow() {
    return ax::ModuleLockCount() == 0 ? ax::S_OK : ax::S_FALSE;
}

PGV_EXPORT ax::HRESULT DllRegisterServer() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 || !info.dli_fname)
        return ax::SELFREG_E_CLASS;
    return ax::CatchAll([&] { return pgv::RegisterServer(pgv::RegistryPath(), info.dli_fname); });
}

PGV_EXPORT ax::HRESULT DllUnregisterServer() {
    return ax::CatchAll([] { return pgv::UnregisterServer(pgv::RegistryPath()); });
}
