#include "foldertree/host/Activator.h"

#include "foldertree/automation/ComPtr.h"

#include <dlfcn.h>
#include <fstream>

namespace pgvhost {
namespace {

constexpr std::streamsize kMaxManifestBytes = 64 * 1024;

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

Activator::Activator() : Activator(ProgramManifestPath()) {}

Activator::Activator(std::string manifestPath) : m_manifestPath(std::move(manifestPath)) {}

Activator::~Activator() {
    FreeUnusedLibraries();
}

bool Activator::ReadManifest() {
    if (m_manifestRead)
        return true;
    std::ifstream in(m_manifestPath, std::ios::binary);
    if (!in) {
        m_lastError = "cannot read the manifest " + m_manifestPath;
        return false;
    }
    std::string text(static_cast<size_t>(kMaxManifestBytes) + 1, '\0');
    in.read(text.data(), kMaxManifestBytes + 1);
    text.resize(static_cast<size_t>(in.gcount()));
    int badLine = 0;
    if (text.size() > static_cast<size_t>(kMaxManifestBytes) || !ParseManifest(text, &m_manifest, &badLine)) {
        m_lastError = "malformed manifest " + m_manifestPath + " at line " + std::to_string(badLine);
        return false;
    }
    m_manifestRead = true;
    return true;
}

Activator::Module* Activator::LoadModule(const std::string& fileName) {
    for (Module& module : m_modules) {
        if (module.fileName == fileName)
            return &module;
    }
    std::string path = FolderOf(m_manifestPath) + "/" + fileName;
    if (path[0] != '/') {
        m_lastError = "the manifest's folder is not absolute: " + path;
        return nullptr;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        m_lastError = error ? error : "dlopen failed";
        return nullptr;
    }
    auto get = reinterpret_cast<GetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<CanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
    if (!get || !canUnload) {
        m_lastError = path + " lacks the class-object entry points";
        dlclose(handle);
        return nullptr;
    }
    m_modules.push_back({fileName, handle, get, canUnload});
    return &m_modules.back();
}

ax::HRESULT Activator::GetClassObject(const ax::Guid& clsid, const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (!ReadManifest())
        return ax::REGDB_E_CLASSNOTREG;
    const ManifestFile* file = m_manifest.FindClass(clsid);
    if (!file) {
        m_lastError = "the manifest does not name " + ax::FormatGuid(clsid);
        return ax::REGDB_E_CLASSNOTREG;
    }
    Module* module = LoadModule(file->name);
    if (!module)
        return ax::E_FAIL;
    return module->getClassObject(&clsid, &iid, out);
}

ax::HRESULT Activator::CreateInstance(const ax::Guid& clsid, const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    ax::ComPtr<ax::IClassFactory> factory;
    ax::HRESULT hr = GetClassObject(clsid, ax::IID_IClassFactory, factory.OutVoid());
    if (ax::Failed(hr))
        return hr;
    return factory->CreateInstance(nullptr, iid, out);
}

void Activator::FreeUnusedLibraries() {
    for (auto it = m_modules.begin(); it != m_modules.end();) {
        if (it->canUnloadNow() == ax::S_OK) {
            dlclose(it->handle);
            it = m_modules.erase(it);
        } else {
            ++it;
        }
    }
}

bool Activator::IsLoaded(const std::string& fileName) const {
    for (const Module& module : m_modules) {
        if (module.fileName == fileName)
            return true;
    }
    return false;
}

} // namespace pgvhost
