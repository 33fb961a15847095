// The test program is a host: its build puts a manifest and libpgrove80.so
// beside it, and these tests load the library through that manifest.
#include "foldertree/host/Activator.h"
#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/host/HostSite.h"
#include "tests/foldertree/DispatchCalls.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dlfcn.h>
#include <set>

using namespace pgvhost;

namespace {

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
    std::set<std::string> symbols;
    std::string command = "nm -D --defined-only --format=posix '" + library + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return symbols;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
        std::string text(line);
        symbols.insert(text.substr(0, text.find(' ')));
    }
    pclose(pipe);
    return symbols;
}

} // namespace

TEST(ManifestTest, ParsesFilesClassesAndTypeLibrariesAndRefusesTheRest) {
    Manifest manifest;
    int badLine = 0;
    ASSERT_TRUE(
        ParseManifest("# comment\n\nfile libpgrove80.so\n"
                      "comClass {B16CCC43-CED6-4B9A-A61F-45478BAB55DB} progid P.C.1 threading Apartment\n"
                      "typelib {9E384C4F-AAC0-4529-805F-092B3F611AC4} version 10.0\n",
                      &manifest, &badLine));
    const ManifestFile* file = manifest.FindClass(pgv::CLSID_Pathgrove);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->name, "libpgrove80.so");
    EXPECT_EQ(file->classes[0].progId, "P.C.1");
    EXPECT_EQ(file->typeLibs[0].version, "10.0");
    EXPECT_EQ(manifest.FindClass(pgv::CLSID_TreeNode), nullptr);

    struct Bad {
        const char* text;
        int line;
    };
    for (const Bad& bad :
         {Bad{"comClass {B16CCC43-CED6-4B9A-A61F-45478BAB55DB}", 1}, Bad{"file ../lib/libpgrove80.so", 1},
          Bad{"file /usr/lib/libx.so", 1}, Bad{"file a.so\ncomClass {B16CCC43}", 2},
          Bad{"file a.so\ncomClass {B16CCC43-CED6-4B9A-A61F-45478BAB55DB} progid", 2},
          Bad{"file a.so\nsurprise x", 2}}) {
        EXPECT_FALSE(ParseManifest(bad.text, &manifest, &badLine)) << bad.text;
        EXPECT_EQ(badLine, bad.line) << bad.text;
    }
}

TEST(ActivatorTest, CreatesTheControlThroughTheManifestAndUnloadsItWhenUnused) {
    Activator activator;
    {
        ax::ComPtr<ax::IDispatch> control;
        ASSERT_EQ(activator.CreateInstance(pgv::CLSID_Pathgrove, pgv::DIID__DPathgrove, control.OutVoid()),
                  ax::S_OK)
            << activator.LastError();
        EXPECT_TRUE(activator.IsLoaded("libpgrove80.so"));

        ax::ComPtr<pgv::IPgvControl> site;
        ASSERT_EQ(control->QueryInterface(pgv::IID_IPgvControl, site.OutVoid()), ax::S_OK);
        auto host = ax::ComPtr<HostSite>::Attach(new HostSite());
        ASSERT_EQ(site->SetClientSite(host.Get()), ax::S_OK);
        ASSERT_EQ(site->InitNew(), ax::S_OK);

        EXPECT_EQ(pgvtest::Put(control.Get(), pgv::PGVC_AUTOCHECKCHILDREN, ax::MakeBool(true)), ax::S_OK);
        ax::DISPID indent = pgvtest::IdOf(control.Get(), u"Indent");
        EXPECT_EQ(indent, pgv::PGVC_INDENT);
        EXPECT_EQ(pgvtest::Put(control.Get(), indent, ax::MakeI4(25)), ax::S_OK);
        ax::ScopedVariant checked, value, label;
        EXPECT_EQ(pgvtest::Get(control.Get(), pgv::PGVC_AUTOCHECKCHILDREN, &checked), ax::S_OK);
        EXPECT_EQ(checked.boolVal, ax::VARIANT_TRUE);
        EXPECT_EQ(pgvtest::Get(control.Get(), indent, &value), ax::S_OK);
        EXPECT_EQ(value.lVal, 25);

        // A string made in the library is freed here.
        ax::ScopedVariant strings;
        ASSERT_EQ(pgvtest::Call(control.Get(), pgv::PGVC_STRINGRESOURCES, ax::DISPATCH_METHOD, {}, &strings),
                  ax::S_OK);
        ax::Variant key = ax::MakeBstr(u"k");
        EXPECT_EQ(pgvtest::Call(strings.pdispVal, pgv::PGVS_GETSTRING, ax::DISPATCH_METHOD, {key}, &label),
                  ax::S_OK);
        ax::VariantClear(&key);
        EXPECT_EQ(label.vt, ax::VT_BSTR);

        activator.FreeUnusedLibraries();
        EXPECT_TRUE(activator.IsLoaded("libpgrove80.so"));
        site->Close();
    }
    activator.FreeUnusedLibraries();
    EXPECT_FALSE(activator.IsLoaded("libpgrove80.so"));
}

TEST(ActivatorTest, RefusesClassesTheManifestDoesNotName) {
    testsupport::TempDir dir;
    testsupport::WriteFileText(dir.File("host.manifest"), "file libpgrove80.so\n");
    Activator activator(dir.File("host.manifest"));
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(activator.CreateInstance(pgv::CLSID_Pathgrove, ax::IID_IUnknown, &object),
              ax::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    Activator missing(dir.File("none.manifest"));
    EXPECT_EQ(missing.CreateInstance(pgv::CLSID_Pathgrove, ax::IID_IUnknown, &object),
              ax::REGDB_E_CLASSNOTREG);
    // The library is looked for beside the manifest only.
    testsupport::WriteFileText(dir.File("other.manifest"),
                               "file libpgrove80.so\ncomClass {B16CCC43-CED6-4B9A-A61F-45478BAB55DB}\n");
    Activator elsewhere(dir.File("other.manifest"));
    EXPECT_EQ(elsewhere.CreateInstance(pgv::CLSID_Pathgrove, ax::IID_IUnknown, &object), ax::E_FAIL);
}

TEST(LibraryTest, ExportsExactlyTheFourEntryPoints) {
    EXPECT_EQ(DefinedDynamicSymbols(PGROVE80_LIBRARY),
              (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                     "DllUnregisterServer"}));
}

TEST(LibraryTest, RegistersItselfWithItsOwnPathInTheRegistryItIsGiven) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv registry("PGROVE80_REGISTRY", dir.File("registry"));
    std::string library = FolderOf(ProgramManifestPath()) + "/libpgrove80.so";
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    using EntryFn = ax::HRESULT (*)();
    auto reg = reinterpret_cast<EntryFn>(dlsym(handle, "DllRegisterServer"));
    auto unreg = reinterpret_cast<EntryFn>(dlsym(handle, "DllUnregisterServer"));
    ASSERT_TRUE(reg && unreg);
    EXPECT_EQ(reg(), ax::S_OK);
    std::string text = testsupport::ReadFileText(dir.File("registry"));
    EXPECT_NE(text.find("InprocServer32\t\t" + library + "\n"), std::string::npos) << text;
    EXPECT_EQ(unreg(), ax::S_OK);
    EXPECT_EQ(testsupport::ReadFileText(dir.File("registry")).find("InprocServer32"), std::string::npos);
    dlclose(handle);
}
