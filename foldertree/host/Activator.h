// Creates classes named in the program's activation manifest: the library
// that serves the class is opened by its absolute path in the manifest's
// folder (never searched for), asked for its class factory, and kept loaded
// while any object it made is alive.
#pragma once

#include "foldertree/automation/Interfaces.h"
#include "foldertree/host/Manifest.h"

#include <string>
#include <vector>

namespace pgvhost {

class Activator {
  public:
    // Uses the manifest beside the running program.
    Activator();
    explicit Activator(std::string manifestPath);
    // Closes the libraries that have no live objects; the others stay
    // loaded, since their objects still run code from them.
    ~Activator();
    Activator(const Activator&) = delete;
    Activator& operator=(const Activator&) = delete;

    // REGDB_E_CLASSNOTREG when the manifest (or a readable one) does not
    // name the class, E_FAIL when its library cannot be loaded.
    ax::HRESULT CreateInstance(const ax::Guid& clsid, const ax::Guid& iid, void** out);
    ax::HRESULT GetClassObject(const ax::Guid& clsid, const ax::Guid& iid, void** out);
    // Closes the libraries whose objects are all gone.
    void FreeUnusedLibraries();
    bool IsLoaded(const std::string& fileName) const;
    // What went wrong last, for the caller's log.
    const std::string& LastError() const { return m_lastError; }

  private:
    using GetClassObjectFn = ax::HRESULT (*)(const ax::Guid*, const ax::Guid*, void**);
    using CanUnloadNowFn = ax::HRESULT (*)();

    struct Module {
        std::string fileName;
        void* handle;
        GetClassObjectFn getClassObject;
        CanUnloadNowFn canUnloadNow;
    };

    bool ReadManifest();
    Module* LoadModule(const std::string& fileName);

    std::string m_manifestPath;
    bool m_manifestRead = false;
    Manifest m_manifest;
    std::vector<Module> m_modules;
    std::string m_lastError;
};

} // namespace pgvhost
