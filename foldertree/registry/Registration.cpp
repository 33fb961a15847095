#include "foldertree/registry/Registration.h"

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/Utf16.h"
#include "foldertree/registry/RegistryFile.h"

namespace pgv {
namespace {

constexpr const char* kEnglishLocale = "409";

struct ClassEntry {
    const ax::Guid& clsid;
    const char16_t* progId;
    const char* typeName;
};

const ClassEntry kPageClasses[] = {
    {CLSID_PathgrovePropPage, kProgIdPathgrovePage, "Pathgrove Property Page"},
    {CLSID_GeneralPropPage, kProgIdGeneralPage, "Pathgrove General Property Page"},
};

struct Category {
    const ax::Guid& catid;
    const char* description;
};

const Category kCategories[] = {
    {CATID_SafeForScripting, "Controls that are safely scriptable"},
    {CATID_SafeForInitializing, "Controls safely initializable from persistent data"},
};

std::string ClassKey(const ax::Guid& clsid) {
    return "CLSID\\" + ax::FormatGuid(clsid);
}

std::string Version() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor);
}

std::string TypeLibKey() {
    return "TypeLib\\" + ax::FormatGuid(LIBID_PathgroveControl);
}

void AddClass(RegistryStore& store, const ClassEntry& entry, const std::string& libraryPath) {
    std::string key = ClassKey(entry.clsid);
    std::string progId = ax::Utf16ToUtf8(entry.progId);
    store.SetValue(key, "", entry.typeName);
    store.SetValue(key + "\\InprocServer32", "", libraryPath);
    store.SetValue(key + "\\InprocServer32", "ThreadingModel", "Apartment");
    store.SetValue(key + "\\ProgID", "", progId);
    store.SetValue(progId, "", entry.typeName);
    store.SetValue(progId + "\\CLSID", "", ax::FormatGuid(entry.clsid));
}

void RemoveClass(RegistryStore& store, const ax::Guid& clsid, const char16_t* progId) {
    store.DeleteTree(ClassKey(clsid));
    store.DeleteTree(ax::Utf16ToUtf8(progId));
}

} // namespace

void AddRegistration(RegistryStore& store, const std::string& libraryPath) {
    std::string key = ClassKey(CLSID_Pathgrove);
    AddClass(store, {CLSID_Pathgrove, kProgIdControl, kControlTypeName}, libraryPath);
    store.CreateKey(key + "\\Control");
    store.SetValue(key + "\\ToolboxBitmap32", "", libraryPath + ", 1");
    store.SetValue(key + "\\MiscStatus", "", "0");
    store.SetValue(key + "\\MiscStatus\\1", "", std::to_string(kMiscStatus));
    store.SetValue(key + "\\TypeLib", "", ax::FormatGuid(LIBID_PathgroveControl));
    store.SetValue(key + "\\Version", "", Version());
    for (const Category& category : kCategories) {
        std::string catid = ax::FormatGuid(category.catid);
        store.SetValue("Component Categories\\" + catid, kEnglishLocale, category.description);
        store.CreateKey(key + "\\Implemented Categories\\" + catid);
    }

    std::string lib = TypeLibKey() + "\\" + Version();
    store.SetValue(lib, "", "PathgroveControl");
    store.SetValue(lib + "\\0\\linux", "", libraryPath);
    store.SetValue(lib + "\\FLAGS", "", "0");
    for (const auto& [iid, name] : {std::pair{DIID__DPathgrove, "_DPathgrove"},
                                    std::pair{DIID__DPathgroveEvents, "_DPathgroveEvents"}}) {
        std::string interfaceKey = "Interface\\" + ax::FormatGuid(iid);
        store.SetValue(interfaceKey, "", name);
        store.SetValue(interfaceKey + "\\TypeLib", "", ax::FormatGuid(LIBID_PathgroveControl));
        store.SetValue(interfaceKey + "\\TypeLib", "Version", Version());
    }

    for (const ClassEntry& page : kPageClasses)
        AddClass(store, page, libraryPath);
}

void RemoveRegistration(RegistryStore& store) {
    RemoveClass(store, CLSID_Pathgrove, kProgIdControl);
    for (const ClassEntry& page : kPageClasses)
        RemoveClass(store, page.clsid, page.progId);
    store.DeleteTree(TypeLibKey());
    store.DeleteTree("Interface\\" + ax::FormatGuid(DIID__DPathgrove));
    store.DeleteTree("Interface\\" + ax::FormatGuid(DIID__DPathgroveEvents));
}

ax::HRESULT RegisterServer(const std::string& registryPath, const std::string& libraryPath) {
    int error = 0;
    bool ok = UpdateRegistryFile(
        registryPath, [&](RegistryStore& store) { AddRegistration(store, libraryPath); }, &error);
    return ok ? ax::S_OK : ax::SELFREG_E_CLASS;
}

ax::HRESULT UnregisterServer(const std::string& registryPath) {
    int error = 0;
    bool ok = UpdateRegistryFile(registryPath, RemoveRegistration, &error);
    return ok ? ax::S_OK : ax::SELFREG_E_CLASS;
}

} // namespace pgv
