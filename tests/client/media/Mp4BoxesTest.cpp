#include "client/media/Mp4Boxes.h"

#include "tests/support/media/MemoryReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string U32(uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

// A box with a 32-bit size (or `size32` as given) and `payload` bytes.
std::string Box(const char* type, size_t payload, int64_t size32 = -1) {
    return U32(size32 < 0 ? static_cast<uint32_t>(8 + payload) : static_cast<uint32_t>(size32)) + type +
           std::string(payload, 'p');
}

// A box with size 1 and the 64-bit size given.
std::string LargeBox(const char* type, uint64_t size, size_t payload) {
    return U32(1) + type + U32(static_cast<uint32_t>(size >> 32)) + U32(static_cast<uint32_t>(size)) +
           std::string(payload, 'p');
}

bool FindMdat(const std::string& bytes, uint64_t& payloadStart, Mp4BoxExtent extent = MP4_BOX_WHOLE) {
    return FindTopLevelBox(testsupport::MemoryReader(bytes.data(), bytes.size()), bytes.size(), "mdat",
                           payloadStart, extent);
}

} // namespace

TEST(Mp4BoxesTest, MediaDataPayloadStartIsFoundOnlyThroughWellFormedBoxes) {
    struct Case {
        const char* what;
        std::string bytes;
        int64_t payloadStart; // -1: not found
    };
    const Case cases[] = {
        {"movie last", Box("ftyp", 16) + Box("free", 0) + Box("mdat", 50) + Box("moov", 30), 24 + 8 + 8},
        {"movie first", Box("ftyp", 16) + Box("moov", 30) + Box("mdat", 50), 24 + 38 + 8},
        {"64-bit size before", LargeBox("free", 24, 8) + Box("mdat", 4), 24 + 8},
        {"64-bit mdat", Box("ftyp", 8) + LargeBox("mdat", 20, 4), 16 + 16},
        {"mdat to the end", Box("ftyp", 8) + Box("mdat", 40, 0), 16 + 8},
        {"box to the end hides the rest", Box("free", 0, 0) + Box("mdat", 4), -1},
        {"size below the header", Box("free", 0, 4) + Box("mdat", 4), -1},
        {"64-bit size below its header", LargeBox("free", 12, 0) + Box("mdat", 4), -1},
        {"size past the end", Box("free", 4, 1000) + Box("mdat", 4), -1},
        {"mdat past the end", Box("mdat", 4, 1000), -1},
        {"64-bit size past every end", LargeBox("free", UINT64_MAX, 4) + Box("mdat", 4), -1},
        {"cut 64-bit header", U32(1) + "mdat" + U32(0), -1},
        {"cut header", std::string("\0\0\0", 3), -1},
        {"no mdat", Box("ftyp", 8) + Box("moov", 8), -1},
    };
    for (const Case& c : cases) {
        uint64_t payloadStart = 0;
        const bool found = FindMdat(c.bytes, payloadStart);
        EXPECT_EQ(c.payloadStart, found ? static_cast<int64_t>(payloadStart) : -1) << c.what;
    }
}

TEST(Mp4BoxesTest, APartlyReceivedFileMayCutOnlyItsMediaData) {
    struct Case {
        const char* what;
        std::string bytes;
        int64_t payloadStart; // -1: not found
    };
    const Case cases[] = {
        {"mdat cut", Box("ftyp", 8) + Box("mdat", 4, 1000), 16 + 8},
        {"64-bit mdat cut", Box("ftyp", 8) + LargeBox("mdat", 5000, 4), 16 + 16},
        {"cut 64-bit mdat header", Box("ftyp", 8) + U32(1) + "mdat" + U32(0), -1},
        {"movie cut before the mdat", Box("ftyp", 8) + Box("moov", 4, 1000), -1},
    };
    for (const Case& c : cases) {
        uint64_t payloadStart = 0;
        const bool found = FindMdat(c.bytes, payloadStart, MP4_BOX_MAY_BE_CUT);
        EXPECT_EQ(c.payloadStart, found ? static_cast<int64_t>(payloadStart) : -1) << c.what;
    }
}
