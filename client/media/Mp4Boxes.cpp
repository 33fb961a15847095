#include "client/media/Mp4Boxes.h"

#include <cstring>

namespace {

constexpr uint64_t kHeaderBytes = 8;
constexpr uint64_t kLargeHeaderBytes = 16;
constexpr uint32_t kSizeIsLarge = 1;
constexpr uint32_t kSizeToEnd = 0;

} // namespace

bool FindTopLevelBox(const ByteReader& read, uint64_t fileSize, const char (&type)[5], uint64_t& payloadStart,
                     Mp4BoxExtent extent) {
    uint64_t position = 0;
    unsigned char header[kLargeHeaderBytes];
    while (fileSize - position >= kHeaderBytes) {
        if (!read(position, header, kHeaderBytes))
            return false;
        const uint32_t size32 = static_cast<uint32_t>(BigEndianNumber(header, 4));
        uint64_t headerBytes = kHeaderBytes;
        uint64_t size = size32;
        if (size32 == kSizeIsLarge) {
            headerBytes = kLargeHeaderBytes;
            if (fileSize - position < kLargeHeaderBytes ||
                !read(position + kHeaderBytes, header + kHeaderBytes, kLargeHeaderBytes - kHeaderBytes))
                return false;
            size = BigEndianNumber(header + kHeaderBytes, 8);
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
    return FindTopLevelBox(FileByteReader(fd), fileSize, type, payloadStart, extent);
}
