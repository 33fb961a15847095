#include "client/media/Id3v2Trim.h"

#include "client/media/Mp3Scan.h"

#include <cstring>

namespace {

constexpr uint64_t kTagHeaderBytes = 10;
constexpr int kVersionAt = 3;
constexpr int kRevisionAt = 4;
constexpr int kFlagsAt = 5;
constexpr int kSizeAt = 6;
constexpr unsigned char kFlagUnsynchronised = 0x80;
// ID3v2.3 and 2.4: an extended header follows; ID3v2.2: the tag is compressed.
constexpr unsigned char kFlagExtendedOrCompressed = 0x40;
constexpr unsigned char kFlagFooter = 0x10;
constexpr uint64_t kFrameIdBytes = 4;
// Frames walked at most: every step costs reads, and no writer makes a tag
// of more frames.
constexpr int kMaxFrames = 4096;
constexpr int kMaxTagsInRun = 4096;

// Four 7-bit groups; a byte with its top bit set means the writer put a plain
// number there, and it is read as one (as TagLib does).
uint64_t SyncsafeOrPlain(const unsigned char* bytes) {
    uint64_t value = 0;
    for (int i = 0; i < 4; ++i) {
        if (bytes[i] & 0x80)
            return BigEndianNumber(bytes, 4);
        value = (value << 7) | bytes[i];
    }
    return value;
}

void PutSyncsafe(unsigned char* out, uint64_t value) {
    for (int i = 3; i >= 0; --i) {
        out[i] = static_cast<unsigned char>(value & 0x7F);
        value >>= 7;
    }
}

class FrameWalk {
  public:
    FrameWalk(const ByteReader& read, uint64_t tagBytes, int version)
        : m_read(read), m_tagBytes(tagBytes), m_version(version), m_headerBytes(version == 2 ? 6 : 10) {}

    // The size after the header of the frame at `position`; false at padding
    // or when no header is there.
    bool FrameSize(uint64_t position, uint64_t& size) const {
        unsigned char header[10];
        if (!Fits(position, m_headerBytes) || !m_read(position, header, m_headerBytes) || header[0] == 0)
            return false;
        if (m_version == 2)
            size = BigEndianNumber(header + 3, 3);
        else if (m_version == 3)
            size = BigEndianNumber(header + 4, 4);
        else
            size = FrameSizeV4(position, header + 4);
        return true;
    }
    uint64_t HeaderBytes() const { return m_headerBytes; }
    bool Fits(uint64_t position, uint64_t count) const {
        return position <= m_tagBytes && count <= m_tagBytes - position;
    }

  private:
    // Some writers put plain sizes into ID3v2.4 frames: when the syncsafe
    // reading is not followed by a frame id and the plain one is, the plain
    // one holds, as in TagLib.
    uint64_t FrameSizeV4(uint64_t position, const unsigned char* sizeBytes) const {
        const uint64_t size = SyncsafeOrPlain(sizeBytes);
        if (size <= 127 || IsFrameIdAt(position + m_headerBytes + size))
            return size;
        const uint64_t plain = BigEndianNumber(sizeBytes, 4);
        return IsFrameIdAt(position + m_headerBytes + plain) ? plain : size;
    }
    bool IsFrameIdAt(uint64_t position) const {
        unsigned char id[kFrameIdBytes];
        if (!Fits(position, kFrameIdBytes) || !m_read(position, id, kFrameIdBytes))
            return false;
        for (unsigned char c : id) {
            if ((c < 'A' || c > 'Z') && (c < '0' || c > '9'))
                return false;
        }
        return true;
    }

    const ByteReader& m_read;
    uint64_t m_tagBytes;
    int m_version;
    uint64_t m_headerBytes;
};

// Frame sizes count the bytes before unsynchronisation, so a tag
// unsynchronised as a whole (ID3v2.2 and 2.3; 2.4 does it per frame) cannot
// be walked by them.
bool IsWalkable(int version, unsigned char flags) {
    switch (version) {
    case 2:
        return (flags & (kFlagUnsynchronised | kFlagExtendedOrCompressed)) == 0;
    case 3:
        return (flags & kFlagUnsynchronised) == 0;
    case 4:
        return true;
    default:
        return false;
    }
}

// Where the frames of a tag that can be walked begin: behind the extended
// header when there is one.
uint64_t FramesStart(const ByteReader& read, int version, unsigned char flags) {
    unsigned char size[4];
    if ((flags & kFlagExtendedOrCompressed) == 0 || !read(kTagHeaderBytes, size, sizeof size))
        return kTagHeaderBytes;
    // ID3v2.3 counts the extended header without its size field, 2.4 with it.
    return kTagHeaderBytes + (version == 3 ? sizeof size + BigEndianNumber(size, 4) : SyncsafeOrPlain(size));
}

} // namespace

bool TrimId3v2Tag(const ByteReader& read, uint64_t tagBytes, const TagLimits& limits, std::string& trimmed) {
    trimmed.clear();
    unsigned char header[kTagHeaderBytes];
    if (tagBytes <= limits.wholeTagBytes || !read(0, header, sizeof header))
        return false;
    const int version = header[kVersionAt];
    const unsigned char flags = header[kFlagsAt];
    std::string frames;
    if (IsWalkable(version, flags)) {
        const FrameWalk walk(read, tagBytes, version);
        const uint64_t room =
            limits.wholeTagBytes > kTagHeaderBytes ? limits.wholeTagBytes - kTagHeaderBytes : 0;
        uint64_t position = FramesStart(read, version, flags);
        uint64_t size = 0;
        for (int walked = 0; walked < kMaxFrames && walk.FrameSize(position, size); ++walked) {
            const uint64_t frameBytes = walk.HeaderBytes() + size;
            if (!walk.Fits(position, frameBytes))
                break;
            if (size <= limits.itemBytes && frameBytes <= room - frames.size()) {
                const size_t at = frames.size();
                frames.resize(at + frameBytes);
                if (!read(position, reinterpret_cast<unsigned char*>(&frames[at]), frameBytes)) {
                    frames.resize(at);
                    break;
                }
            }
            position += frameBytes;
        }
    }
    header[kFlagsAt] = flags & ~(kFlagExtendedOrCompressed | kFlagFooter);
    PutSyncsafe(header + kSizeAt, frames.size());
    trimmed.assign(reinterpret_cast<const char*>(header), sizeof header);
    trimmed += frames;
    return true;
}

bool IsId3v2HeaderAt(const ByteReader& read, uint64_t offset, uint64_t bodyBytes) {
    unsigned char header[kTagHeaderBytes];
    uint64_t size = 0;
    return read(offset, header, sizeof header) && memcmp(header, "ID3", 3) == 0 &&
           Id3v2BodyBytes(header, size) && size == bodyBytes;
}

uint64_t Id3v2RunEnd(const ByteReader& read, uint64_t start) {
    uint64_t end = start;
    unsigned char header[kTagHeaderBytes];
    uint64_t size = 0;
    for (int tags = 0;
         tags < kMaxTagsInRun && read(end, header, sizeof header) && memcmp(header, "ID3", 3) == 0 &&
         header[kVersionAt] != 0xFF && header[kRevisionAt] != 0xFF && Id3v2BodyBytes(header, size);
         ++tags) {
        const bool footer = header[kVersionAt] == 4 && (header[kFlagsAt] & kFlagFooter) != 0;
        end += kTagHeaderBytes + size + (footer ? kTagHeaderBytes : 0);
    }
    return end;
}
