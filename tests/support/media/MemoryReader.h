// The format walkers' reads over bytes in memory, for the tests and fuzz
// targets.
#pragma once

#include "client/media/ByteReader.h"

#include <cstring>

namespace testsupport {

// The bytes must outlive the reader.
inline ByteReader MemoryReader(const void* data, size_t size) {
    return [data, size](uint64_t position, unsigned char* out, size_t count) {
        if (position > size || size - position < count)
            return false;
        memcpy(out, static_cast<const unsigned char*>(data) + position, count);
        return true;
    };
}

} // namespace testsupport
