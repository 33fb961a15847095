#include "foldertree/registry/Registration.h"
#include "foldertree/registry/RegistryFile.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pgv;

namespace {

const std::string kControlKey = "CLSID\\{B16CCC43-CED6-4B9A-A61F-45478BAB55DB}";
const std::string kScriptable = "{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const std::string kInitializable = "{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

RegistryStore ReadStore(const std::string& path) {
    RegistryStore store;
    store.Parse(testsupport::ReadFileText(path));
    return store;
}

} // namespace

TEST(RegistryStoreTest, KeepsFieldsWithTabsAndLineEndsAndDropsMalformedLines) {
    RegistryStore store;
    store.SetValue("A\\B", "name\twith tab", "two\nlines 100%");
    RegistryStore read;
    read.Parse(store.Serialize() + "only\ttwo\nbad%zz\n\tno key\tx\n");
    ASSERT_NE(read.Value("A\\B", "name\twith tab"), nullptr);
    EXPECT_EQ(*read.Value("A\\B", "name\twith tab"), "two\nlines 100%");
    EXPECT_TRUE(read.HasKey("A"));
    EXPECT_EQ(read.KeyCount(), 2u);
}

TEST(RegistrationTest, RegistersTheClassLibraryPagesAndCategoriesOnce) {
    testsupport::TempDir dir;
    std::string path = dir.File("reg/registry");
    ASSERT_EQ(RegisterServer(path, "/opt/lib/libpgrove80.so"), ax::S_OK);
    std::string first = testsupport::ReadFileText(path);
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_EQ(RegisterServer(path, "/opt/lib/libpgrove80.so"), ax::S_OK);
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(testsupport::ReadFileText(path), first);
    EXPECT_EQ(after.st_ino, before.st_ino); // not rewritten

    RegistryStore store = ReadStore(path);
    struct Expected {
        std::string key;
        std::string name;
        std::string value;
    };
    const Expected values[] = {
        {kControlKey, "", "Pathgrove Control"},
        {kControlKey + "\\InprocServer32", "", "/opt/lib/libpgrove80.so"},
        {kControlKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {kControlKey + "\\ProgID", "", "Pathgrove.PathgroveCtrl.2008"},
        {kControlKey + "\\MiscStatus\\1", "", "133521"},
        {kControlKey + "\\TypeLib", "", "{9E384C4F-AAC0-4529-805F-092B3F611AC4}"},
        {kControlKey + "\\Version", "", "10.0"},
        {"Pathgrove.PathgroveCtrl.2008\\CLSID", "", "{B16CCC43-CED6-4B9A-A61F-45478BAB55DB}"},
        {"TypeLib\\{9E384C4F-AAC0-4529-805F-092B3F611AC4}\\10.0", "", "PathgroveControl"},
        {"Interface\\{C5A4AEA2-BB15-4B84-8868-B74B0AD07A56}", "", "_DPathgrove"},
        {"CLSID\\{A054A5E0-E9A0-4619-8510-5C00F91B9D13}\\ProgID", "", "Pathgrove.PathgrovePropPage.2008"},
        {"CLSID\\{9C3FB0BB-AE7C-48E7-B3C4-202B241F0A99}\\ProgID", "", "Pathgrove.CGeneralPropPage.2008"},
        {"Component Categories\\" + kScriptable, "409", "Controls that are safely scriptable"},
        {"Component Categories\\" + kInitializable, "409",
         "Controls safely initializable from persistent data"},
    };
    for (const Expected& e : values) {
        const std::string* value = store.Value(e.key, e.name);
        ASSERT_NE(value, nullptr) << e.key << " " << e.name;
        EXPECT_EQ(*value, e.value) << e.key;
    }
    EXPECT_TRUE(store.HasKey(kControlKey + "\\Implemented Categories\\" + kScriptable));
    EXPECT_TRUE(store.HasKey(kControlKey + "\\Implemented Categories\\" + kInitializable));
    EXPECT_TRUE(store.HasKey(kControlKey + "\\Control"));
}

TEST(RegistrationTest, UnregisteringRemovesTheClassesAndLibraryAndKeepsOthers) {
    testsupport::TempDir dir;
    std::string path = dir.File("registry");
    testsupport::WriteFileText(path, "Other\\Key\t\tkept\n");
    ASSERT_EQ(RegisterServer(path, "/x/libpgrove80.so"), ax::S_OK);
    ASSERT_EQ(UnregisterServer(path), ax::S_OK);
    RegistryStore store = ReadStore(path);
    EXPECT_FALSE(store.HasKey(kControlKey));
    EXPECT_FALSE(store.HasKey("Pathgrove.PathgroveCtrl.2008"));
    EXPECT_FALSE(store.HasKey("CLSID\\{A054A5E0-E9A0-4619-8510-5C00F91B9D13}"));
    EXPECT_FALSE(store.HasKey("TypeLib\\{9E384C4F-AAC0-4529-805F-092B3F611AC4}"));
    EXPECT_TRUE(store.HasKey("Component Categories\\" + kScriptable));
    ASSERT_NE(store.Value("Other\\Key", ""), nullptr);
    EXPECT_EQ(*store.Value("Other\\Key", ""), "kept");
    EXPECT_EQ(UnregisterServer(dir.File("missing/folder/registry")), ax::S_OK);
}

TEST(RegistrationTest, ARelativeOrMissingRegistryPathIsRefusedNotWrittenHere) {
    testsupport::TempDir dir;
    {
        testsupport::ScopedEnv relative("PGROVE80_REGISTRY", "pgrove80-registry");
        EXPECT_EQ(RegistryPath(), "");
    }
    for (const std::string& path : {std::string(), std::string("pgrove80-registry")}) {
        EXPECT_EQ(RegisterServer(path, "/x/libpgrove80.so"), ax::SELFREG_E_CLASS) << path;
        EXPECT_EQ(UnregisterServer(path), ax::SELFREG_E_CLASS) << path;
    }
    struct stat here;
    EXPECT_NE(stat("pgrove80-registry", &here), 0);
    EXPECT_NE(stat("pgrove80-registry.lock", &here), 0);
    testsupport::ScopedEnv absolute("PGROVE80_REGISTRY", dir.File("registry").c_str());
    EXPECT_EQ(RegistryPath(), dir.File("registry"));
}
