// Tagged values of the automation layer with the type numbers hosts know.
#pragma once

#include "foldertree/automation/Bstr.h"
#include "foldertree/automation/HResult.h"

#include <cstddef>
#include <cstdint>

namespace ax {

struct IUnknown;
struct IDispatch;
struct SafeArray;

using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum VarTypeNumber : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct Variant {
    VARTYPE vt;
    uint16_t reserved[3];
    union {
        int8_t cVal;
        uint8_t bVal;
        int16_t iVal;
        uint16_t uiVal;
        int32_t lVal;
        uint32_t ulVal;
        int64_t llVal;
        uint64_t ullVal;
        float fltVal;
        double dblVal;
        int64_t cyVal; // currency: value x 10000
        VARIANT_BOOL boolVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SafeArray* parray;
        void* byref;
        Variant* pvarVal;
    };
};

void VariantInit(Variant* v);
// Frees what the value owns (string, reference, array) and makes it empty.
HRESULT VariantClear(Variant* v);
// Deep copy into `dst`, which is cleared first.
HRESULT VariantCopy(Variant* dst, const Variant* src);
// Like VariantCopy, but a by-reference value is copied as the value it
// points at.
HRESULT VariantCopyInd(Variant* dst, const Variant* src);
// Converts `src` to type `vt` into `dst` (which may be `src`): numbers of
// every width, booleans (true is VARIANT_TRUE), decimal text, currency,
// interfaces. DISP_E_OVERFLOW when the value does not fit,
// DISP_E_TYPEMISMATCH when the types do not convert.
HRESULT VariantChangeType(Variant* dst, const Variant* src, VARTYPE vt);

// Owns one Variant and clears it when it goes.
struct ScopedVariant : Variant {
    ScopedVariant() { VariantInit(this); }
    ~ScopedVariant() { VariantClear(this); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
};

// Clears values a caller made for a call when it goes, also when an
// exception unwinds past it (by-reference values are left alone).
class VariantsGuard {
  public:
    VariantsGuard(Variant* values, size_t count) noexcept : m_values(values), m_count(count) {}
    ~VariantsGuard() {
        for (size_t i = 0; i < m_count; ++i)
            VariantClear(&m_values[i]);
    }
    VariantsGuard(const VariantsGuard&) = delete;
    VariantsGuard& operator=(const VariantsGuard&) = delete;

  private:
    Variant* m_values;
    size_t m_count;
};

// Builders of common values (the caller owns what a string value holds).
Variant MakeI2(int16_t value);
Variant MakeI4(int32_t value);
Variant MakeR4(float value);
Variant MakeR8(double value);
Variant MakeBool(bool value);
Variant MakeBstr(std::u16string_view text);
// A value that takes a reference to `object`.
Variant MakeDispatch(IDispatch* object);
// A by-reference value pointing at `target` (whose type is `vt`).
Variant MakeByRef(VARTYPE vt, void* target);

} // namespace ax
