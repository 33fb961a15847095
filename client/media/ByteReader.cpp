#include "client/media/ByteReader.h"

#include "include/fs/FileCmds.h"

#include <unistd.h>

ByteReader FileByteReader(int fd) {
    return [fd](uint64_t position, unsigned char* out, size_t count) {
        const off_t offset = static_cast<off_t>(position);
        return lseek(fd, offset, SEEK_SET) == offset &&
               ReadFully(fd, out, static_cast<long>(count)) == static_cast<long>(count);
    };
}

uint64_t BigEndianNumber(const unsigned char* bytes, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}
