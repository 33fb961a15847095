#include "foldertree/automation/SafeArray.h"

#include "foldertree/automation/Interfaces.h"

#include <cstdlib>
#include <cstring>

namespace ax {
namespace {

constexpr uint64_t kMaxArrayBytes = 256u << 20;

uint32_t ElementSize(VARTYPE vt) {
    switch (vt) {
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_R4:
        return 4;
    case VT_R8:
        return 8;
    case VT_BSTR:
        return sizeof(BSTR);
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return sizeof(IUnknown*);
    case VT_VARIANT:
        return sizeof(Variant);
    default:
        return 0;
    }
}

void ReleaseElements(SafeArray* array) {
    uint32_t count = SafeArrayElementCount(array);
    for (uint32_t i = 0; i < count; ++i) {
        if (array->vt == VT_BSTR) {
            FreeBstr(static_cast<BSTR*>(array->data)[i]);
        } else if (array->vt == VT_DISPATCH || array->vt == VT_UNKNOWN) {
            if (IUnknown* object = static_cast<IUnknown**>(array->data)[i])
                object->Release();
        } else if (array->vt == VT_VARIANT) {
            VariantClear(&static_cast<Variant*>(array->data)[i]);
        }
    }
}

} // namespace

uint32_t SafeArrayElementCount(const SafeArray* array) {
    uint64_t count = 1;
    for (uint16_t d = 0; d < array->dims; ++d)
        count *= array->bounds[d].elements;
    return static_cast<uint32_t>(count);
}

SafeArray* SafeArrayCreate(VARTYPE vt, uint16_t dims, const SafeArrayBound* bounds) {
    uint32_t size = ElementSize(vt);
    if (size == 0 || dims == 0 || dims > kMaxSafeArrayDims)
        return nullptr;
    uint64_t bytes = size;
    for (uint16_t d = 0; d < dims; ++d) {
        bytes *= bounds[d].elements;
        if (bytes > kMaxArrayBytes)
            return nullptr;
    }
    auto* array = static_cast<SafeArray*>(std::calloc(1, sizeof(SafeArray)));
    if (!array)
        return nullptr;
    array->data = std::calloc(bytes ? bytes : 1, 1);
    if (!array->data) {
        std::free(array);
        return nullptr;
    }
    array->dims = dims;
    array->vt = vt;
    array->elementSize = size;
    std::memcpy(array->bounds, bounds, dims * sizeof(SafeArrayBound));
    return array;
}

SafeArray* SafeArrayFromBytes(const uint8_t* data, uint32_t size) {
    SafeArrayBound bound = {size, 0};
    SafeArray* array = SafeArrayCreate(VT_UI1, 1, &bound);
    if (array && size)
        std::memcpy(array->data, data, size);
    return array;
}

void SafeArrayDestroy(SafeArray* array) {
    if (!array)
        return;
    ReleaseElements(array);
    std::free(array->data);
    std::free(array);
}

HRESULT SafeArrayCopy(const SafeArray* array, SafeArray** copy) {
    *copy = nullptr;
    if (!array)
        return S_OK;
    SafeArray* made = SafeArrayCreate(array->vt, array->dims, array->bounds);
    if (!made)
        return E_OUTOFMEMORY;
    uint32_t count = SafeArrayElementCount(array);
    for (uint32_t i = 0; i < count; ++i) {
        if (array->vt == VT_BSTR) {
            BSTR text = static_cast<BSTR*>(array->data)[i];
            static_cast<BSTR*>(made->data)[i] = text ? AllocBstr(BstrView(text)) : nullptr;
        } else if (array->vt == VT_DISPATCH || array->vt == VT_UNKNOWN) {
            IUnknown* object = static_cast<IUnknown**>(array->data)[i];
            if (object)
                object->AddRef();
            static_cast<IUnknown**>(made->data)[i] = object;
        } else if (array->vt == VT_VARIANT) {
            VariantCopy(&static_cast<Variant*>(made->data)[i], &static_cast<Variant*>(array->data)[i]);
        }
    }
    if (array->vt != VT_BSTR && array->vt != VT_DISPATCH && array->vt != VT_UNKNOWN &&
        array->vt != VT_VARIANT)
        std::memcpy(made->data, array->data, static_cast<size_t>(count) * array->elementSize);
    *copy = made;
    return S_OK;
}

void* SafeArrayElement(const SafeArray* array, const int32_t* indices) {
    uint64_t offset = 0;
    for (uint16_t d = array->dims; d-- > 0;) {
        int64_t index = static_cast<int64_t>(indices[d]) - array->bounds[d].lowerBound;
        if (index < 0 || index >= array->bounds[d].elements)
            return nullptr;
        offset = offset * array->bounds[d].elements + static_cast<uint64_t>(index);
    }
    return static_cast<uint8_t*>(array->data) + offset * array->elementSize;
}

} // namespace ax
