// Type conversion of automation values.
#include "foldertree/automation/Interfaces.h"
#include "foldertree/automation/Utf16.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace ax {
namespace {

constexpr long double kCurrencyScale = 10000.0L;

enum SourceKind { SK_NUMBER, SK_TEXT, SK_OBJECT, SK_NONE };

struct Source {
    SourceKind kind = SK_NONE;
    long double number = 0; // exact for every 64-bit integer
    bool isBool = false;
    std::u16string_view text;
    IUnknown* object = nullptr;
};

Source Classify(const Variant& v) {
    Source s;
    s.kind = SK_NUMBER;
    switch (v.vt) {
    case VT_EMPTY:
        s.number = 0;
        break;
    case VT_I1:
        s.number = v.cVal;
        break;
    case VT_UI1:
        s.number = v.bVal;
        break;
    case VT_I2:
        s.number = v.iVal;
        break;
    case VT_UI2:
        s.number = v.uiVal;
        break;
    case VT_I4:
    case VT_INT:
        s.number = v.lVal;
        break;
    case VT_UI4:
    case VT_UINT:
        s.number = v.ulVal;
        break;
    case VT_I8:
        s.number = static_cast<long double>(v.llVal);
        break;
    case VT_UI8:
        s.number = static_cast<long double>(v.ullVal);
        break;
    case VT_R4:
        s.number = v.fltVal;
        break;
    case VT_R8:
        s.number = v.dblVal;
        break;
    case VT_CY:
        s.number = static_cast<long double>(v.cyVal) / kCurrencyScale;
        break;
    case VT_BOOL:
        s.number = v.boolVal ? -1 : 0;
        s.isBool = true;
        break;
    case VT_BSTR:
        s.kind = SK_TEXT;
        s.text = BstrView(v.bstrVal);
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        s.kind = SK_OBJECT;
        s.object = v.punkVal;
        break;
    default:
        s.kind = SK_NONE;
        break;
    }
    return s;
}

std::string TrimmedAscii(std::u16string_view text) {
    std::string ascii;
    for (char16_t c : text) {
        if (c > 0x7F)
            return std::string("?");
        ascii += static_cast<char>(c);
    }
    size_t first = ascii.find_first_not_of(" \t");
    size_t last = ascii.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : ascii.substr(first, last - first + 1);
}

HRESULT ParseNumber(std::u16string_view text, long double* out) {
    std::string ascii = TrimmedAscii(text);
    if (ascii.empty() || ascii.find_first_not_of("+-.0123456789eE") != std::string::npos)
        return DISP_E_TYPEMISMATCH;
    char* end = nullptr;
    *out = std::strtold(ascii.c_str(), &end);
    if (end != ascii.c_str() + ascii.size())
        return DISP_E_TYPEMISMATCH;
    return std::isfinite(*out) ? S_OK : DISP_E_OVERFLOW;
}

HRESULT ParseBool(std::u16string_view text, bool* out) {
    if (EqualsNoCase(text, u"true") || EqualsNoCase(text, u"false")) {
        *out = EqualsNoCase(text, u"true");
        return S_OK;
    }
    long double number;
    HRESULT hr = ParseNumber(text, &number);
    *out = number != 0;
    return hr;
}

template <class T> std::u16string FormatFloat(T value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return Utf8ToUtf16(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

std::u16string FormatCurrency(int64_t cy) {
    std::string text = std::to_string(cy / 10000);
    int64_t fraction = cy % 10000;
    if (fraction != 0) {
        if (cy < 0 && cy / 10000 == 0)
            text = "-0";
        std::string digits = std::to_string(fraction < 0 ? -fraction : fraction);
        digits.insert(0, 4 - digits.size(), '0');
        while (digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return Utf8ToUtf16(text);
}

std::u16string FormatSource(const Variant& v, const Source& s) {
    switch (v.vt) {
    case VT_EMPTY:
        return std::u16string();
    case VT_BOOL:
        return v.boolVal ? u"True" : u"False";
    case VT_R4:
        return FormatFloat(v.fltVal);
    case VT_R8:
        return FormatFloat(v.dblVal);
    case VT_CY:
        return FormatCurrency(v.cyVal);
    case VT_UI8:
        return Utf8ToUtf16(std::to_string(v.ullVal));
    default:
        return Utf8ToUtf16(std::to_string(static_cast<int64_t>(s.number)));
    }
}

// Rounds half to even, then checks the target's range; NaN and the
// infinities fit no integer.
template <class T> HRESULT ToInteger(long double number, T* out) {
    long double rounded = std::nearbyintl(number);
    if (!std::isfinite(rounded) || rounded < static_cast<long double>(std::numeric_limits<T>::min()) ||
        rounded > static_cast<long double>(std::numeric_limits<T>::max()))
        return DISP_E_OVERFLOW;
    *out = static_cast<T>(rounded);
    return S_OK;
}

HRESULT StoreNumber(long double number, VARTYPE vt, Variant* out) {
    switch (vt) {
    case VT_I1:
        return ToInteger(number, &out->cVal);
    case VT_UI1:
        return ToInteger(number, &out->bVal);
    case VT_I2:
        return ToInteger(number, &out->iVal);
    case VT_UI2:
        return ToInteger(number, &out->uiVal);
    case VT_I4:
    case VT_INT:
        return ToInteger(number, &out->lVal);
    case VT_UI4:
    case VT_UINT:
        return ToInteger(number, &out->ulVal);
    case VT_I8:
        return ToInteger(number, &out->llVal);
    case VT_UI8:
        return ToInteger(number, &out->ullVal);
    case VT_CY:
        return ToInteger(number * kCurrencyScale, &out->cyVal);
    case VT_R4:
        if (std::fabs(number) > std::numeric_limits<float>::max())
            return DISP_E_OVERFLOW;
        out->fltVal = static_cast<float>(number);
        return S_OK;
    case VT_R8:
        if (std::fabs(number) > std::numeric_limits<double>::max())
            return DISP_E_OVERFLOW;
        out->dblVal = static_cast<double>(number);
        return S_OK;
    case VT_BOOL:
        out->boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

HRESULT Convert(const Variant& src, VARTYPE vt, Variant* out) {
    Source s = Classify(src);
    out->vt = vt;
    if (vt == VT_BSTR) {
        if (s.kind != SK_NUMBER)
            return DISP_E_TYPEMISMATCH;
        out->bstrVal = AllocBstr(FormatSource(src, s));
        return out->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        if (src.vt == VT_EMPTY) {
            out->punkVal = nullptr;
            return S_OK;
        }
        if (s.kind != SK_OBJECT)
            return DISP_E_TYPEMISMATCH;
        if (!s.object) {
            out->punkVal = nullptr;
            return S_OK;
        }
        void* object = nullptr;
        HRESULT hr = s.object->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &object);
        if (Failed(hr))
            return DISP_E_TYPEMISMATCH;
        out->byref = object;
        return S_OK;
    }
    if (s.kind == SK_TEXT) {
        if (vt == VT_BOOL) {
            bool flag = false;
            HRESULT hr = ParseBool(s.text, &flag);
            out->boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
            return hr;
        }
        long double number = 0;
        HRESULT hr = ParseNumber(s.text, &number);
        return Failed(hr) ? hr : StoreNumber(number, vt, out);
    }
    if (s.kind != SK_NUMBER)
        return DISP_E_TYPEMISMATCH;
    return StoreNumber(s.number, vt, out);
}

} // namespace

HRESULT VariantChangeType(Variant* dst, const Variant* src, VARTYPE vt) {
    Variant value;
    VariantInit(&value);
    HRESULT hr = VariantCopyInd(&value, src);
    if (Failed(hr))
        return hr;
    Variant converted;
    VariantInit(&converted);
    if (value.vt == vt) {
        converted = value;
        VariantInit(&value);
    } else if (vt == VT_EMPTY) {
        hr = S_OK;
    } else if ((value.vt & VT_ARRAY) || (vt & (VT_ARRAY | VT_BYREF))) {
        hr = DISP_E_TYPEMISMATCH;
    } else {
        hr = Convert(value, vt, &converted);
    }
    VariantClear(&value);
    if (Failed(hr))
        return hr;
    VariantClear(dst);
    *dst = converted;
    return S_OK;
}

} // namespace ax
