// The control's settings as a binary stream: the version, the extent, the
// stock Enabled, then the settings in exchange order with fixed
// little-endian encodings (bool 1 byte, short 2, long 4; texts as a 32-bit
// count of UTF-16 units and the units; the root as a 32-bit byte count and
// the item-id list; the font as its name, size x 10000 in 8 bytes, weight,
// charset and a byte of style flags).
#pragma once

#include "foldertree/automation/Interfaces.h"
#include "foldertree/control/PathgroveProps.h"

#include <cstddef>
#include <cstdint>

namespace pgv {

// The largest root item-id list a stream may carry.
constexpr uint32_t kMaxRootBlobBytes = 64 * 1024;
// The longest text a stream may carry, in UTF-16 units.
constexpr uint32_t kMaxStreamTextUnits = 32 * 1024;

// Reads settings over the reset values of `*props` (the font starts from
// `*font`). E_FAIL when the stream is cut short or of another version (what
// was not reached keeps its reset value) or when its root is refused: a
// count beyond the stream or the cap, or bytes that are not an item-id list;
// the root is then the desktop.
ax::HRESULT LoadPropsFromStream(ax::ISequentialStream* stream, PathgroveProps* props, FontDesc* font);
// The same over a byte buffer.
ax::HRESULT LoadPropsFromBytes(const uint8_t* data, size_t size, PathgroveProps* props, FontDesc* font);
ax::HRESULT SavePropsToStream(ax::ISequentialStream* stream, const PathgroveProps& props,
                              const FontDesc& font);

} // namespace pgv
