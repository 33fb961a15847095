// Arrays of automation values with their type, dimensions and lower bounds.
// Strings, interfaces and variants held in an array are owned by it.
#pragma once

#include "foldertree/automation/HResult.h"
#include "foldertree/automation/Variant.h"

#include <cstdint>

namespace ax {

struct SafeArrayBound {
    uint32_t elements;
    int32_t lowerBound;
};

constexpr uint16_t kMaxSafeArrayDims = 8;

struct SafeArray {
    uint16_t dims;
    VARTYPE vt;
    uint32_t elementSize;
    void* data;
    SafeArrayBound bounds[kMaxSafeArrayDims];
};

// A zero-filled array of `vt` (UI1, I2, I4, R4, R8, BOOL, BSTR, DISPATCH,
// UNKNOWN or VARIANT); null for another type, no or too many dimensions, or
// more than 256 MiB of data.
SafeArray* SafeArrayCreate(VARTYPE vt, uint16_t dims, const SafeArrayBound* bounds);
// A one-dimensional byte array holding a copy of `data`.
SafeArray* SafeArrayFromBytes(const uint8_t* data, uint32_t size);
void SafeArrayDestroy(SafeArray* array);
HRESULT SafeArrayCopy(const SafeArray* array, SafeArray** copy);
uint32_t SafeArrayElementCount(const SafeArray* array);
// The element at `indices` (one per dimension, in bounds), or null.
void* SafeArrayElement(const SafeArray* array, const int32_t* indices);

} // namespace ax
