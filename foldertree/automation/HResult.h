// Result codes of the automation layer: 32-bit values with the numbers that
// hosts and controls on other systems know, so codes that cross the
// automation interface mean the same everywhere.
#pragma once

#include <cstdint>

namespace ax {

using HRESULT = int32_t;

constexpr HRESULT Code(uint32_t value) {
    return static_cast<HRESULT>(value);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = Code(0x80004001);
constexpr HRESULT E_NOINTERFACE = Code(0x80004002);
constexpr HRESULT E_POINTER = Code(0x80004003);
constexpr HRESULT E_FAIL = Code(0x80004005);
constexpr HRESULT E_UNEXPECTED = Code(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = Code(0x8007000E);
constexpr HRESULT E_INVALIDARG = Code(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = Code(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = Code(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = Code(0x80040154);
constexpr HRESULT DV_E_FORMATETC = Code(0x80040064);
constexpr HRESULT CONNECT_E_NOCONNECTION = Code(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = Code(0x80040201);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = Code(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = Code(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = Code(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = Code(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = Code(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = Code(0x8002000A);
constexpr HRESULT DISP_E_BADPARAMCOUNT = Code(0x8002000E);
constexpr HRESULT RPC_E_WRONG_THREAD = Code(0x8001010E);
// Control errors (facility 10) are raised to the caller as exceptions.
constexpr HRESULT CTL_E_SETNOTSUPPORTED = Code(0x800A017F);

constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}
constexpr bool IsControlError(HRESULT hr) {
    return (static_cast<uint32_t>(hr) & 0xFFFF0000u) == 0x800A0000u;
}
// A control error by its number (1000 and up are a control's own).
constexpr HRESULT ControlError(uint16_t number) {
    return Code(0x800A0000u | number);
}

} // namespace ax
