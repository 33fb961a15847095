// The headers of the image files a host may add as custom icons: Windows
// icon (.ico) and bitmap (.bmp) files. Only the headers are read, within
// bounds; the size of the image is what the tree needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pgv {

// The largest image file read.
constexpr size_t kMaxImageFileBytes = 4 * 1024 * 1024;
// The largest width or height accepted.
constexpr int32_t kMaxImageSide = 16384;

struct ImageHeader {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
};

enum ImageFileKind {
    IFK_ICON,
    IFK_BITMAP,
};

// An icon file's directory: every entry inside the file and starting with
// a PNG signature or a 40-byte bitmap header; `*header` is the entry whose
// width is closest to `wantedSize`.
[[nodiscard]] bool ParseIconHeader(const uint8_t* data, size_t size, int32_t wantedSize, ImageHeader* header);
// A bitmap file's headers: known header size, one plane, a known depth,
// sides within kMaxImageSide and, uncompressed, pixel rows inside the file.
[[nodiscard]] bool ParseBitmapHeader(const uint8_t* data, size_t size, ImageHeader* header);
// Reads a file of `kind` (at most kMaxImageFileBytes) and parses it.
[[nodiscard]] bool ReadImageFile(const std::string& path, ImageFileKind kind, int32_t wantedSize,
                                 ImageHeader* header);

} // namespace pgv
