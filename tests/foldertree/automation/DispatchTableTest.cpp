#include "foldertree/api/PathgroveMembers.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/DispatchObject.h"
#include "foldertree/control/PathgroveCtrl.h"
#include "tests/foldertree/DispatchCalls.h"

#include <gtest/gtest.h>

#include <thread>

using namespace ax;
using pgvtest::Call;

namespace {

#define SAMPLE_MEMBERS(X)                                                                                    \
    X(1, Count, COUNT, PROPERTY, VT_I4)                                                                      \
    X(2, Label, LABEL, READONLY, VT_BSTR)                                                                    \
    X(3, Scale, SCALE, METHOD, VT_R8, PGV_P(Value, VT_R8), PGV_POPT(Factor, VT_I4))                          \
    X(4, Bump, BUMP, METHOD, VT_EMPTY, PGV_PREF(Slot, VT_I4))

PGV_DEFINE_TABLE(sample_members, SAMPLE_MEMBERS)

constexpr Guid kSampleIid = {0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};

class Sample final : public DispatchObject<Sample> {
  public:
    Sample();
    SAMPLE_MEMBERS(PGV_DECLARE_HANDLERS)
    int32_t count = 0;
};

#define PGV_HANDLER_CLASS Sample
constexpr DispHandlers<Sample> kSampleHandlers[] = {SAMPLE_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

Sample::Sample() : DispatchObject(sample_members::kTable, kSampleHandlers, kSampleIid) {}
HRESULT Sample::GetCount(Variant*, Variant* result) {
    return SetResult(result, count);
}
HRESULT Sample::PutCount(Variant* args, Variant*) {
    count = args[0].lVal;
    return S_OK;
}
HRESULT Sample::GetLabel(Variant*, Variant* result) {
    return SetResult(result, std::u16string_view(u"sample"));
}
HRESULT Sample::CallScale(Variant* args, Variant* result) {
    return SetResult(result, args[0].dblVal * (IsArgumentGiven(args[1]) ? args[1].lVal : 2));
}
HRESULT Sample::CallBump(Variant* args, Variant*) {
    return StoreByRef(args[0], MakeI4(++count));
}

} // namespace

TEST(DispatchTableTest, LooksUpMembersAndParametersIgnoringCase) {
    auto sample = ComPtr<Sample>::Attach(new Sample());
    const char16_t* names[] = {u"sCALE", u"factor", u"VALUE"};
    DISPID ids[3];
    ASSERT_EQ(sample->GetIDsOfNames(names, 3, ids), S_OK);
    EXPECT_EQ(ids[0], 3);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], 0);
    const char16_t* unknown[] = {u"Scale", u"Speed"};
    EXPECT_EQ(sample->GetIDsOfNames(unknown, 2, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(pgvtest::IdOf(sample.Get(), u"Nothing"), DISPID_UNKNOWN);
}

TEST(DispatchTableTest, ChecksCountsCoercesArgumentsAndFillsMissingOptionals) {
    auto sample = ComPtr<Sample>::Attach(new Sample());
    struct Case {
        std::vector<Variant> args;
        HRESULT result;
        double value;
    };
    Variant text = MakeBstr(u"1.5");
    Variant word = MakeBstr(u"many");
    const Case cases[] = {
        {{MakeR8(3)}, S_OK, 6},
        {{text, MakeI2(3)}, S_OK, 4.5},
        {{MakeI4(1), MakeI4(2), MakeI4(3)}, DISP_E_BADPARAMCOUNT, 0},
        {{}, DISP_E_BADPARAMCOUNT, 0},
        {{MakeR8(1), word}, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Case& c : cases) {
        std::vector<Variant> args = c.args;
        DispParams params = {args.data(), static_cast<uint32_t>(args.size())};
        ScopedVariant result;
        uint32_t argErr = 99;
        EXPECT_EQ(sample->Invoke(3, DISPATCH_METHOD, &params, &result, nullptr, &argErr), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(result.dblVal, c.value);
        }
        if (c.result == DISP_E_TYPEMISMATCH) {
            EXPECT_EQ(argErr, 1u);
        }
    }
    VariantClear(&text);
    VariantClear(&word);
}

TEST(DispatchTableTest, RaisesSetNotSupportedForReadOnlyMembersAndWritesByReference) {
    auto sample = ComPtr<Sample>::Attach(new Sample());
    HRESULT raised = 0;
    EXPECT_EQ(pgvtest::Put(sample.Get(), 2, MakeBstr(u"x"), &raised), DISP_E_EXCEPTION);
    EXPECT_EQ(raised, CTL_E_SETNOTSUPPORTED);
    EXPECT_EQ(pgvtest::Put(sample.Get(), 3, MakeR8(1)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(pgvtest::Put(sample.Get(), 1, MakeBstr(u"7")), S_OK);
    EXPECT_EQ(sample->count, 7);

    int32_t slot = 0;
    EXPECT_EQ(Call(sample.Get(), 4, DISPATCH_METHOD, {MakeByRef(VT_I4, &slot)}), S_OK);
    EXPECT_EQ(slot, 8);
    ScopedVariant boxed;
    boxed.vt = VT_R8;
    Variant ref = MakeByRef(VT_VARIANT, &boxed);
    EXPECT_EQ(Call(sample.Get(), 4, DISPATCH_METHOD, {ref}), S_OK);
    EXPECT_EQ(boxed.vt, VT_I4);
    EXPECT_EQ(boxed.lVal, 9);
    EXPECT_EQ(Call(sample.Get(), 4, DISPATCH_METHOD, {MakeI4(1)}), DISP_E_TYPEMISMATCH);
}

TEST(DispatchTableTest, RefusesCallsFromAnotherThread) {
    auto sample = ComPtr<Sample>::Attach(new Sample());
    auto control = ComPtr<pgv::CPathgroveCtrl>::Attach(new pgv::CPathgroveCtrl());
    HRESULT fromOther[2] = {S_OK, S_OK};
    std::thread other([&] {
        ScopedVariant count, indent;
        fromOther[0] = pgvtest::Get(sample.Get(), 1, &count);
        fromOther[1] = pgvtest::Put(control.Get(), pgv::PGVC_INDENT, MakeI4(40));
    });
    other.join();
    EXPECT_EQ(fromOther[0], RPC_E_WRONG_THREAD);
    EXPECT_EQ(fromOther[1], RPC_E_WRONG_THREAD);
    EXPECT_EQ(control->Props().indent, pgv::kIndentMin);
}
