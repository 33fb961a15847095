// MPEG-4 item lists ("ilst") too large to read whole, cut down in place. The
// tag library reads each item of the list it takes the tags from (moov >
// udta > meta > ilst) in one read of the item's size, known and unknown
// items alike; the demuxer reads the lists it meets under the movie box,
// holding a cover picture whole and a text twice over. Both read the file's
// boxes where they lie, and the demuxer finds the audio by absolute offsets,
// so nothing may move: a list over the whole-tag limit is rewritten in place
// as a list of the items TagLimits keeps (copied, in order) followed by a
// "free" box that runs to where the list ended, which both readers pass over
// unread.
#pragma once

#include "client/media/ByteReader.h"
#include "client/media/FileView.h"
#include "client/media/TagLimits.h"

#include <cstdint>
#include <memory>
#include <vector>

// The edits that cut down every list over `limits` in the file of `fileSize`
// bytes that `read` reads, in order; each keeps the length it replaces. The
// walk follows the first top-level "moov" box into its "trak", "udta" and
// "meta" boxes (a "meta" box's 4 bytes of version and flags skipped unless a
// child header starts right at its payload, as the tag library decides), 4
// levels and 4096 box headers at most, and stops in a box at a header it
// cannot read, a size below the header or one that runs past the box that
// holds it. A list's items are walked up to 4096, until one runs past the
// list, runs to the end (size 0) or cannot be read; those not walked are not
// kept.
[[nodiscard]] std::vector<ViewEdit> TrimMp4ItemLists(const ByteReader& read, uint64_t fileSize,
                                                     const TagLimits& limits);

// The view through which the tag library and the demuxer read the MPEG-4 file
// open as `fd`: its item lists cut down by kTagLimits.
std::unique_ptr<FileView> Mp4FileView(int fd);
