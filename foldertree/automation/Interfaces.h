// The interfaces of the automation layer: reference-counted objects, late-bound
// dispatch, class factories, event connections, byte streams and property
// bags. Only plain types cross them (no exceptions, library types or RTTI), so
// a host and a control built separately can talk through their vtables.
#pragma once

#include "foldertree/automation/Guid.h"
#include "foldertree/automation/HResult.h"
#include "foldertree/automation/Variant.h"

#include <cstdint>

namespace ax {

using DISPID = int32_t;

// Invoke flags.
constexpr uint16_t DISPATCH_METHOD = 1;
constexpr uint16_t DISPATCH_PROPERTYGET = 2;
constexpr uint16_t DISPATCH_PROPERTYPUT = 4;

constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_UNKNOWN = -1;

// The well-known interface ids.
constexpr Guid IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
constexpr Guid IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
constexpr Guid IID_ISequentialStream = {
    0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
constexpr Guid IID_IPropertyBag = {
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

struct IUnknown {
    virtual HRESULT QueryInterface(const Guid& iid, void** out) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
};

// Arguments of a call in natural order (the first argument first). A
// property put passes the new value as the last argument.
struct DispParams {
    Variant* args;
    uint32_t count;
};

// What a failed call raised (DISP_E_EXCEPTION): the error code and its text.
// The receiver frees the strings (ClearExcepInfo).
struct ExcepInfo {
    uint16_t code;
    BSTR source;
    BSTR description;
    HRESULT scode;
};

void ClearExcepInfo(ExcepInfo* info);

struct IDispatch : IUnknown {
    // Member name first, then parameter names; names compare ignoring case.
    virtual HRESULT GetIDsOfNames(const char16_t* const* names, uint32_t count, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, uint16_t flags, DispParams* params, Variant* result, ExcepInfo* excep,
                           uint32_t* argErr) = 0;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** out) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};

struct IConnectionPoint : IUnknown {
    virtual HRESULT GetConnectionInterface(Guid* iid) = 0;
    virtual HRESULT Advise(IUnknown* sink, uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(uint32_t cookie) = 0;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT FindConnectionPoint(const Guid& iid, IConnectionPoint** point) = 0;
};

struct ISequentialStream : IUnknown {
    // Reads up to `size` bytes; fewer at the end of the stream (S_FALSE).
    virtual HRESULT Read(void* data, uint32_t size, uint32_t* read) = 0;
    virtual HRESULT Write(const void* data, uint32_t size, uint32_t* written) = 0;
};

struct IPropertyBag : IUnknown {
    // E_INVALIDARG when the bag holds no such name.
    virtual HRESULT Read(const char16_t* name, Variant* value) = 0;
    virtual HRESULT Write(const char16_t* name, const Variant* value) = 0;
};

} // namespace ax
