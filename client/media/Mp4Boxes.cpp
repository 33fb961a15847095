#include "client/media/Mp4Boxes.h"

namespace {

constexpr uint32_t kSizeIsLarge = 1;
constexpr uint32_t kSizeToEnd = 0;

} // namespace

bool ReadBoxHeader(const ByteReader& read, uint64_t position, uint64_t end, Mp4Box& box) {
    unsigned char header[Mp4Box::kLargeHeaderBytes];
    if (position > end || end - position < Mp4Box::kHeaderBytes ||
        !read(position, header, Mp4Box::kHeaderBytes))
        return false;
    const auto size32 = static_cast<uint32_t>(BigEndianNumber(header, 4));
    box.offset = position;
    box.headerBytes = Mp4Box::kHeaderBytes;
    box.size = size32;
    box.runsToEnd = size32 == kSizeToEnd;
    memcpy(box.type, header + 4, 4);
    if (size32 == kSizeIsLarge) {
        if (end - position < Mp4Box::kLargeHeaderBytes ||
            !read(position + Mp4Box::kHeaderBytes, header + Mp4Box::kHeaderBytes,
                  Mp4Box::kLargeHeaderBytes - Mp4Box::kHeaderBytes))
            return false;
        box.headerBytes = Mp4Box::kLargeHeaderBytes;
        box.size = BigEndianNumber(header + Mp4Box::kHeaderBytes, 8);
    } else if (box.runsToEnd) {
        box.size = end - position;
    }
    return true;
}

bool FindTopLevelBox(const ByteReader& read, uint64_t fileSize, const char (&type)[5], Mp4Box& box,
                     Mp4BoxExtent extent) {
    uint64_t position = 0;
    while (fileSize - position >= Mp4Box::kHeaderBytes) {
        if (!ReadBoxHeader(read, position, fileSize, box))
            return false;
        const bool wanted = box.IsA(type);
        if (box.size < box.headerBytes ||
            (box.size > fileSize - position && !(wanted && extent == MP4_BOX_MAY_BE_CUT)))
            return false;
        if (wanted)
            return true;
        position += box.size;
    }
    return false;
}

bool FindTopLevelBox(const ByteReader& read, uint64_t fileSize, const char (&type)[5], uint64_t& payloadStart,
                     Mp4BoxExtent extent) {
    Mp4Box box;
    if (!FindTopLevelBox(read, fileSize, type, box, extent))
        return false;
    payloadStart = box.PayloadStart();
    return true;
}

bool FindTopLevelBoxInFile(int fd, uint64_t fileSize, const char (&type)[5], uint64_t& payloadStart,
                           Mp4BoxExtent extent) {
    return FindTopLevelBox(FileByteReader(fd), fileSize, type, payloadStart, extent);
}
