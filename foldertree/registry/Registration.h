// The control's registration: its class with ProgID, threading, misc status
// and type library, the type library and its interfaces, the property-page
// classes and the two "safe" component categories.
#pragma once

#include "foldertree/automation/HResult.h"
#include "foldertree/registry/RegistryStore.h"

#include <string>

namespace pgv {

constexpr const char* kControlTypeName = "Pathgrove Control";

void AddRegistration(RegistryStore& store, const std::string& libraryPath);
// Removes the classes and the type library; the categories stay, as other
// classes may be listed under them.
void RemoveRegistration(RegistryStore& store);

// The same on the registry file at `registryPath`; SELFREG_E_CLASS when it
// cannot be updated.
ax::HRESULT RegisterServer(const std::string& registryPath, const std::string& libraryPath);
ax::HRESULT UnregisterServer(const std::string& registryPath);

} // namespace pgv
