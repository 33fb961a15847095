#include "foldertree/control/StringResourceManager.h"
#include "foldertree/automation/ComPtr.h"
#include "tests/foldertree/DispatchCalls.h"

#include <gtest/gtest.h>

using namespace pgv;
using pgvtest::Call;

TEST(StringResourceManagerTest, UnknownKeysGiveEmptyTextAndSetValuesComeBack) {
    auto strings = ax::ComPtr<CStringResourceManager>::Attach(new CStringResourceManager());
    ax::Variant key = ax::MakeBstr(u"Title");
    ax::Variant value = ax::MakeBstr(u"Ordner");
    ax::ScopedVariant before, after;
    EXPECT_EQ(Call(strings.Get(), PGVS_GETSTRING, ax::DISPATCH_METHOD, {key}, &before), ax::S_OK);
    EXPECT_EQ(before.vt, ax::VT_BSTR);
    EXPECT_EQ(ax::BstrView(before.bstrVal), u"");
    EXPECT_EQ(Call(strings.Get(), PGVS_SETSTRING, ax::DISPATCH_METHOD, {key, value}), ax::S_OK);
    EXPECT_EQ(Call(strings.Get(), PGVS_GETSTRING, ax::DISPATCH_METHOD, {key}, &after), ax::S_OK);
    EXPECT_EQ(ax::BstrView(after.bstrVal), u"Ordner");
    ax::VariantClear(&key);
    ax::VariantClear(&value);
}

TEST(StringResourceManagerTest, SupportsGermanEnglishAndItalianOnly) {
    auto strings = ax::ComPtr<CStringResourceManager>::Attach(new CStringResourceManager());
    for (int32_t lcid : {1031, 1033, 1040, 1036, 2057, 0, -1}) {
        bool expected = lcid == 1031 || lcid == 1033 || lcid == 1040;
        for (int32_t dispid : {PGVS_ISCULTURESUPPORTED, PGVS_SETCULTURE}) {
            ax::ScopedVariant result;
            ASSERT_EQ(Call(strings.Get(), dispid, ax::DISPATCH_METHOD, {ax::MakeI4(lcid)}, &result),
                      ax::S_OK);
            EXPECT_EQ(result.boolVal != 0, expected) << lcid << " " << dispid;
        }
    }
}
