#include "client/media/Mp3Scan.h"

#include "include/fs/FileCmds.h"
#include "include/log/Logger.h"

#include <unistd.h>

#include <cstring>

namespace {

constexpr int kId3v2HeaderBytes = 10;
constexpr int kId3v2SizeAt = 6;
constexpr int kId3v1Bytes = 128;

// The scan reads blocks of 900 bytes behind 124 bytes carried over from the
// block before, and tests each position only while 124 bytes follow it.
constexpr size_t kScanCarryBytes = 124;
constexpr size_t kScanBlockBytes = 900;
constexpr size_t kScanWindowBytes = kScanCarryBytes + kScanBlockBytes;
constexpr int kScanMaxBlocks = 32;

bool ReadAt(int fd, off_t offset, int whence, unsigned char* buffer, long count) {
    if (lseek(fd, offset, whence) < 0)
        return false;
    return ReadFully(fd, buffer, count) == count;
}

} // namespace

uint64_t readID3v2Head(int fd) {
    unsigned char head[kId3v2HeaderBytes];
    if (!ReadAt(fd, 0, SEEK_SET, head, kId3v2HeaderBytes) || memcmp(head, "ID3", 3) != 0)
        return 0;
    uint64_t length = 0;
    if (!Id3v2BodyBytes(head, length)) {
        MVLOG(LOG_VERB, "readID3v2Head: Aborted id3v2 read: Bad byte in size");
        return 0;
    }
    return length + kId3v2HeaderBytes;
}

bool Id3v2BodyBytes(const unsigned char* header, uint64_t& bytes) {
    bytes = 0;
    for (int i = kId3v2SizeAt; i < kId3v2HeaderBytes; ++i) {
        if (header[i] & 0x80)
            return false;
        bytes = (bytes << 7) | header[i];
    }
    return true;
}

uint64_t ReadId3v1Len(int fd) {
    unsigned char tag[kId3v1Bytes];
    if (!ReadAt(fd, -kId3v1Bytes, SEEK_END, tag, kId3v1Bytes) || memcmp(tag, "TAG", 3) != 0)
        return 0;
    return kId3v1Bytes;
}

bool IsFrameHeader(const unsigned char* bytes) {
    return bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0 // 11 sync bits
           && (bytes[1] & 0x18) != 0x08                  // version not reserved
           && (bytes[1] & 0x06) != 0                     // layer not reserved
           && (bytes[2] & 0xF0) != 0xF0;                 // bit-rate index not 15
}

bool FindFrameSync(int fd, uint64_t start, uint64_t& dataOffset) {
    if (lseek(fd, static_cast<off_t>(start), SEEK_SET) != static_cast<off_t>(start))
        return false;
    unsigned char window[kScanWindowBytes] = {};
    uint64_t skipped = 0;
    size_t i = kScanCarryBytes;
    for (int block = 0; block < kScanMaxBlocks; ++block) {
        if (ReadFully(fd, window + kScanCarryBytes, kScanBlockBytes) != static_cast<long>(kScanBlockBytes))
            return false;
        for (; i + kScanCarryBytes < kScanWindowBytes; ++i, ++skipped) {
            if (IsFrameHeader(window + i)) {
                dataOffset = start + skipped;
                return true;
            }
        }
        memmove(window, window + kScanBlockBytes, kScanCarryBytes);
        i = 0;
    }
    return false;
}
