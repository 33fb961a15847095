#include "client/media/Mp4Boxes.h"

#include "include/fs/FileCmds.h"

#include <unistd.h>

#include <cstring>

namespace {

constexpr uint64_t kHeaderBytes = 8;
constexpr uint64_t kLargeHeaderBytes = 16;
constexpr uint32_t kSizeIsLarge = 1;
constexpr uint32_t kSizeToEnd = 0;

uint64_t BigEndian(const unsigned char* bytes, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

} // namespace

bool FindTopLevelBox(const Mp4ByteReader& read, uint64_t fileSize, const char (&type)[5],
                     uint64_t& payloadStart, Mp4BoxExtent extent) {
    uint64_t position = 0;
    unsigned char header[kLargeHeaderBytes];
    while (fileSize - position >= kHeaderBytes) {
        if (!read(position, header, kHeaderBytes))
            return false;
        const uint32_t size32 = static_cast<uint32_t>(BigEndian(header, 4));
        uint64_t headerBytes = kHeaderBytes;
        uint64_t size = size32;
        if (size32 == kSizeIsLarge) {
            headerBytes = kLargeHeaderBytes;
            if (fileSize - position < kLargeHeaderBytes ||
                !read(position + kHeaderBytes, header + kHeaderBytes, kLargeHeaderBytes - kHeaderBytes))
                return false;
            size = BigEndian(header + kHeaderBytes, 8);
        } else if (size32 == kSizeToEnd) {
            size = fileSize - position;
        }
        const bool wanted = memcmp(header + 4, type, 4) == 0;
        if (size < headerBytes || (size > fileSize - position && !(wanted && extent == MP4_BOX_MAY_BE_CUT)))
            return false;
        if (wanted) {
            payloadStart = position + headerBytes;
            return true;
        }
        position += size;
    }
    return false;
}

bool FindTopLevelBoxInFile(int fd, uint64_t fileSize, const char (&type)[5], uint64_t& payloadStart,
                           Mp4BoxExtent extent) {
    const Mp4ByteReader read = [fd](uint64_t position, unsigned char* out, size_t count) {
        const off_t offset = static_cast<off_t>(position);
        return lseek(fd, offset, SEEK_SET) == offset &&
               ReadFully(fd, out, static_cast<long>(count)) == static_cast<long>(count);
    };
    return FindTopLevelBox(read, fileSize, type, payloadStart, extent);
}
