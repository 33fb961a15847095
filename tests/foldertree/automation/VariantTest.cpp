#include "foldertree/automation/Variant.h"
#include "foldertree/automation/Guid.h"
#include "foldertree/automation/SafeArray.h"
#include "foldertree/automation/Utf16.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ax;

TEST(GuidTest, ParsesAndFormatsTheBracedForm) {
    Guid guid;
    ASSERT_TRUE(ParseGuid("{b16ccc43-ced6-4b9a-a61f-45478bab55db}", &guid));
    EXPECT_EQ(guid.data1, 0xB16CCC43u);
    EXPECT_EQ(guid.data4[7], 0xDB);
    EXPECT_EQ(FormatGuid(guid), "{B16CCC43-CED6-4B9A-A61F-45478BAB55DB}");
    for (const char* bad :
         {"B16CCC43-CED6-4B9A-A61F-45478BAB55DB", "{B16CCC43-CED6-4B9A-A61F-45478BAB55D}",
          "{B16CCC43-CED6-4B9A-A61F-45478BAB55DG}", "{B16CCC43+CED6-4B9A-A61F-45478BAB55DB}", ""})
        EXPECT_FALSE(ParseGuid(bad, &guid)) << bad;
}

TEST(BstrTest, KeepsItsLengthBeforeTheTextAndSurvivesEmbeddedZeros) {
    const char16_t text[] = {u'a', 0, u'b'};
    Bstr owned = Bstr::Attach(AllocBstr(text, 3));
    EXPECT_EQ(BstrLength(owned.Get()), 3u);
    EXPECT_EQ(owned.Get()[3], 0);
    EXPECT_EQ(BstrLength(nullptr), 0u);
    EXPECT_EQ(Bstr::FromUtf8("Grüße 🎵").ToUtf8(), "Grüße 🎵");
    EXPECT_EQ(Utf8ToUtf16("a\xFF"), u"a\uFFFD");
}

struct ChangeCase {
    Variant from;
    VARTYPE to;
    HRESULT result;
    const char16_t* text; // expected text form after conversion to BSTR
};

TEST(VariantChangeTypeTest, ConvertsNumbersBooleansAndTextWithinRange) {
    const ChangeCase cases[] = {
        {MakeI4(-7), VT_BSTR, S_OK, u"-7"},
        {MakeR8(2.5), VT_I4, S_OK, u"2"}, // half to even
        {MakeR8(3.5), VT_I4, S_OK, u"4"},
        {MakeBool(true), VT_I4, S_OK, u"-1"},
        {MakeI4(5), VT_BOOL, S_OK, u"True"},
        {MakeI4(0), VT_BOOL, S_OK, u"False"},
        {MakeI4(40000), VT_I2, DISP_E_OVERFLOW, nullptr},
        {MakeI4(-1), VT_UI1, DISP_E_OVERFLOW, nullptr},
        {MakeBstr(u" 42 "), VT_I4, S_OK, u"42"},
        {MakeBstr(u"true"), VT_BOOL, S_OK, u"True"},
        {MakeBstr(u"12abc"), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {MakeBstr(u"1e400"), VT_R8, DISP_E_OVERFLOW, nullptr},
        {MakeR8(0.1), VT_BSTR, S_OK, u"0.1"},
        {MakeR8(9.25), VT_CY, S_OK, u"9.25"},
        {Variant{VT_NULL, {}, {}}, VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {Variant{VT_EMPTY, {}, {}}, VT_BSTR, S_OK, u""},
        {MakeR8(std::nan("")), VT_I4, DISP_E_OVERFLOW, nullptr},
        {MakeR4(-INFINITY), VT_I2, DISP_E_OVERFLOW, nullptr},
        {MakeR8(INFINITY), VT_CY, DISP_E_OVERFLOW, nullptr},
    };
    for (const ChangeCase& c : cases) {
        Variant from = c.from;
        ScopedVariant converted;
        EXPECT_EQ(VariantChangeType(&converted, &from, c.to), c.result) << from.vt << " -> " << c.to;
        if (c.text) {
            ScopedVariant text;
            ASSERT_EQ(VariantChangeType(&text, &converted, VT_BSTR), S_OK);
            EXPECT_EQ(BstrView(text.bstrVal), std::u16string_view(c.text)) << from.vt << " -> " << c.to;
        }
        VariantClear(&from);
    }
}

TEST(VariantChangeTypeTest, ReadsThroughByReferenceValues) {
    int32_t stored = 12;
    Variant ref = MakeByRef(VT_I4, &stored);
    ScopedVariant converted;
    ASSERT_EQ(VariantChangeType(&converted, &ref, VT_R8), S_OK);
    EXPECT_EQ(converted.dblVal, 12.0);
}

TEST(SafeArrayTest, CopiesOwnStringsAndRefusesOutOfBoundIndices) {
    SafeArrayBound bounds[2] = {{2, 0}, {3, 1}};
    SafeArray* array = SafeArrayCreate(VT_BSTR, 2, bounds);
    ASSERT_NE(array, nullptr);
    int32_t at[2] = {1, 3};
    *static_cast<BSTR*>(SafeArrayElement(array, at)) = AllocBstr(u"x");
    int32_t outside[2] = {2, 1};
    EXPECT_EQ(SafeArrayElement(array, outside), nullptr);

    Variant holder;
    VariantInit(&holder);
    holder.vt = VT_ARRAY | VT_BSTR;
    holder.parray = array;
    ScopedVariant copy;
    ASSERT_EQ(VariantCopy(&copy, &holder), S_OK);
    VariantClear(&holder);
    EXPECT_EQ(BstrView(*static_cast<BSTR*>(SafeArrayElement(copy.parray, at))), u"x");
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, bounds), nullptr);
}
