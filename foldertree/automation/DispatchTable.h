// Table-driven dispatch: one static table per interface names each member,
// its dispid, kind, type and parameters. The generic code here looks names
// up, checks the argument count, coerces the arguments to the declared types
// and refuses puts on read-only members, so each member's handler receives
// ready arguments and stays a one-liner.
#pragma once

#include "foldertree/automation/Interfaces.h"

#include <cstddef>
#include <string_view>

namespace ax {

enum MemberKind : uint8_t {
    MK_PROPERTY,
    MK_READONLY,
    MK_METHOD,
};

constexpr uint8_t PF_BYREF = 1;
constexpr uint8_t PF_OPTIONAL = 2;
constexpr uint8_t kMaxDispParams = 8;

struct DispParamInfo {
    const char16_t* name;
    VARTYPE vt;
    uint8_t flags;
};

struct DispMemberInfo {
    DISPID id;
    const char16_t* name;
    MemberKind kind;
    VARTYPE vt; // property type or method result; VT_EMPTY for none
    const DispParamInfo* params;
    uint8_t paramCount;
};

struct DispTable {
    const DispMemberInfo* members;
    size_t count;
};

// Index of the member with `id` in the table, or -1.
int FindDispMember(const DispTable& table, DISPID id);
HRESULT LookupDispNames(const DispTable& table, const char16_t* const* names, uint32_t count, DISPID* ids);

enum DispOperation {
    DO_GET, // property get or method call
    DO_PUT,
};

// Checks `flags` and the argument count against `member` and fills `slots`
// (paramCount + 1 of them, initialised) with the arguments converted to their
// declared types; a put's value comes last, converted to the member's type.
// Missing optional arguments arrive as VT_ERROR DISP_E_PARAMNOTFOUND;
// by-reference arguments arrive as given. On a bad argument `*argErr` is its
// position.
HRESULT PrepareDispCall(const DispMemberInfo& member, uint16_t flags, const DispParams* params,
                        Variant* slots, DispOperation* op, uint32_t* argErr);

// Control errors (a put on a read-only member, a member's own error codes)
// reach the caller as DISP_E_EXCEPTION with the code in `excep`; other
// results pass unchanged.
HRESULT RaiseDispError(HRESULT hr, ExcepInfo* excep);
// A member's own error: returns the control error of `number`, which
// reaches the caller with `text` as its description.
HRESULT RaiseError(uint16_t number, std::u16string_view text);

// Whether an argument slot holds a value (optional arguments may be absent).
bool IsArgumentGiven(const Variant& slot);
// Writes `value` through a by-reference argument, converted to the type it
// points at.
HRESULT StoreByRef(const Variant& slot, const Variant& value);

// Result writers for handlers.
HRESULT SetResult(Variant* result, int32_t value);
HRESULT SetResult(Variant* result, int16_t value);
HRESULT SetBoolResult(Variant* result, bool value);
HRESULT SetResult(Variant* result, double value);
HRESULT SetResult(Variant* result, std::u16string_view text);
// Hands over a reference the caller already holds (null gives an empty
// dispatch result).
HRESULT SetResult(Variant* result, IDispatch* object);

// The handlers of one table, in table order: `get` serves property gets and
// method calls, `put` property puts.
template <class T> struct DispHandlers {
    HRESULT (T::*get)(Variant* args, Variant* result);
    HRESULT (T::*put)(Variant* args, Variant* result);
};

template <class T>
HRESULT InvokeTable(T& object, const DispTable& table, const DispHandlers<T>* handlers, DISPID id,
                    uint16_t flags, DispParams* params, Variant* result, ExcepInfo* excep, uint32_t* argErr) {
    int index = FindDispMember(table, id);
    if (index < 0)
        return DISP_E_MEMBERNOTFOUND;
    Variant slots[kMaxDispParams + 1];
    for (Variant& slot : slots)
        VariantInit(&slot);
    Variant ignored;
    VariantInit(&ignored);
    VariantsGuard clearSlots(slots, kMaxDispParams + 1), clearIgnored(&ignored, 1);
    DispOperation op = DO_GET;
    HRESULT hr = PrepareDispCall(table.members[index], flags, params, slots, &op, argErr);
    if (Succeeded(hr)) {
        Variant* out = result ? result : &ignored;
        VariantClear(out);
        auto handler = op == DO_PUT ? handlers[index].put : handlers[index].get;
        hr = handler ? (object.*handler)(slots, out) : DISP_E_MEMBERNOTFOUND;
    }
    return RaiseDispError(hr, excep);
}

} // namespace ax
