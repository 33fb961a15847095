#include "foldertree/shell/IconFile.h"

#include "platform/fs/FileOps.h"

#include <cstdlib>
#include <cstring>

namespace pgv {
namespace {

constexpr size_t kIconDirBytes = 6;
constexpr size_t kIconEntryBytes = 16;
constexpr uint16_t kIconType = 1;
constexpr size_t kBitmapFileHeaderBytes = 14;
constexpr uint32_t kBitmapInfoHeaderBytes = 40;
constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kMaxKnownCompression = 3;

uint16_t U16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

uint32_t U32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

int32_t I32(const uint8_t* at) {
    return static_cast<int32_t>(U32(at));
}

bool IsKnownDepth(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool IsKnownDibSize(uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The image an icon entry points at starts like one.
bool LooksLikeIconImage(const uint8_t* image, size_t bytes) {
    if (bytes >= sizeof kPngSignature && std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0)
        return true;
    return bytes >= kBitmapInfoHeaderBytes && U32(image) == kBitmapInfoHeaderBytes;
}

} // namespace

bool ParseIconHeader(const uint8_t* data, size_t size, int32_t wantedSize, ImageHeader* header) {
    if (size < kIconDirBytes || U16(data) != 0 || U16(data + 2) != kIconType)
        return false;
    size_t count = U16(data + 4);
    if (count == 0 || count > (size - kIconDirBytes) / kIconEntryBytes)
        return false;
    const size_t imagesStart = kIconDirBytes + count * kIconEntryBytes;
    bool found = false;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = data + kIconDirBytes + i * kIconEntryBytes;
        // A side of 0 stands for 256.
        int32_t width = entry[0] ? entry[0] : 256;
        int32_t height = entry[1] ? entry[1] : 256;
        uint64_t bytes = U32(entry + 8);
        uint64_t offset = U32(entry + 12);
        if (bytes == 0 || offset < imagesStart || offset > size || bytes > size - offset)
            return false;
        if (!LooksLikeIconImage(data + offset, static_cast<size_t>(bytes)))
            return false;
        if (!found || std::abs(width - wantedSize) < std::abs(header->width - wantedSize)) {
            header->width = width;
            header->height = height;
            header->bitsPerPixel = U16(entry + 6);
            found = true;
        }
    }
    return found;
}

bool ParseBitmapHeader(const uint8_t* data, size_t size, ImageHeader* header) {
    if (size < kBitmapFileHeaderBytes + 4 || data[0] != 'B' || data[1] != 'M')
        return false;
    uint64_t dataOffset = U32(data + 10);
    const uint8_t* dib = data + kBitmapFileHeaderBytes;
    uint32_t dibSize = U32(dib);
    if (!IsKnownDibSize(dibSize) || dibSize > size - kBitmapFileHeaderBytes)
        return false;
    int64_t width, height;
    uint32_t planes, bits, compression = kBiRgb;
    if (dibSize == 12) {
        width = U16(dib + 4);
        height = U16(dib + 6);
        planes = U16(dib + 8);
        bits = U16(dib + 10);
    } else {
        width = I32(dib + 4);
        height = I32(dib + 8);
        planes = U16(dib + 12);
        bits = U16(dib + 14);
        compression = U32(dib + 16);
    }
    // A negative height is a top-down bitmap.
    if (height < 0)
        height = -height;
    if (planes != 1 || !IsKnownDepth(bits) || compression > kMaxKnownCompression || width < 1 ||
        width > kMaxImageSide || height < 1 || height > kMaxImageSide)
        return false;
    if (dataOffset < kBitmapFileHeaderBytes + dibSize || dataOffset > size)
        return false;
    if (compression == kBiRgb || compression == kBiBitfields) {
        uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
        if (stride * static_cast<uint64_t>(height) > size - dataOffset)
            return false;
    }
    header->width = static_cast<int32_t>(width);
    header->height = static_cast<int32_t>(height);
    header->bitsPerPixel = static_cast<int32_t>(bits);
    return true;
}

bool ReadImageFile(const std::string& path, ImageFileKind kind, int32_t wantedSize, ImageHeader* header) {
    std::string bytes;
    if (platform::ReadFileLimited(path, kMaxImageFileBytes, &bytes) != 0)
        return false;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    return kind == IFK_ICON ? ParseIconHeader(data, bytes.size(), wantedSize, header)
                            : ParseBitmapHeader(data, bytes.size(), header);
}

} // namespace pgv
