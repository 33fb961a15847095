#include "foldertree/shell/IconFile.h"

#include <gtest/gtest.h>

#include <vector>

using namespace pgv;

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// An icon file whose entries have the given sides (0 for 256), each image a
// 40-byte bitmap header padded to `imageBytes`.
std::vector<uint8_t> IconFile(std::vector<uint8_t> sides, uint32_t imageBytes = 48) {
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(sides.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * sides.size());
    for (uint8_t side : sides) {
        out.insert(out.end(), {side, side, 0, 0});
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, imageBytes);
        Put32(out, offset);
        offset += imageBytes;
    }
    for (size_t i = 0; i < sides.size(); ++i) {
        Put32(out, 40);
        out.resize(out.size() + imageBytes - 4, 0);
    }
    return out;
}

// A bitmap file with a 40-byte header and its pixel rows.
std::vector<uint8_t> BitmapFile(int32_t width, int32_t height, uint16_t bits, size_t pixelBytes) {
    std::vector<uint8_t> out = {'B', 'M'};
    Put32(out, static_cast<uint32_t>(54 + pixelBytes));
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0);
    out.resize(54 + pixelBytes, 0);
    return out;
}

} // namespace

TEST(IconFileTest, IconDirectoriesMustPointInsideTheFile) {
    ImageHeader header;
    std::vector<uint8_t> three = IconFile({16, 32, 0});
    ASSERT_TRUE(ParseIconHeader(three.data(), three.size(), 30, &header));
    EXPECT_EQ(header.width, 32);
    std::vector<uint8_t> big = IconFile({16, 0});
    ASSERT_TRUE(ParseIconHeader(big.data(), big.size(), 200, &header));
    EXPECT_EQ(header.width, 256);

    std::vector<uint8_t> cursor = IconFile({16});
    cursor[2] = 2;
    std::vector<uint8_t> beyond = IconFile({16});
    beyond[6 + 12] = 0xF0; // offset past the end
    std::vector<uint8_t> notImage = IconFile({16});
    notImage[22] = 41;
    std::vector<uint8_t> tooMany = IconFile({16});
    tooMany[4] = 200;
    std::vector<uint8_t> cut = IconFile({16});
    cut.resize(cut.size() - 1);
    for (const auto& bad : {cursor, beyond, notImage, tooMany, cut, IconFile({})})
        EXPECT_FALSE(ParseIconHeader(bad.data(), bad.size(), 16, &header)) << bad.size();
}

TEST(IconFileTest, BitmapHeadersMustDescribeTheRowsTheFileHolds) {
    ImageHeader header;
    std::vector<uint8_t> good = BitmapFile(85, -13, 24, 256 * 13);
    ASSERT_TRUE(ParseBitmapHeader(good.data(), good.size(), &header));
    EXPECT_EQ(header.width, 85);
    EXPECT_EQ(header.height, 13);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> magic = good;
    magic[1] = 'A';
    std::vector<uint8_t> planes = good;
    planes[26] = 2;
    const Case bad[] = {
        {"magic", magic},
        {"planes", planes},
        {"rows beyond the file", BitmapFile(85, 13, 24, 255 * 13)},
        {"depth", BitmapFile(8, 8, 7, 1024)},
        {"zero width", BitmapFile(0, 8, 8, 1024)},
        {"huge side", BitmapFile(kMaxImageSide + 1, 1, 1, 4096)},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
    };
    for (const Case& c : bad)
        EXPECT_FALSE(ParseBitmapHeader(c.bytes.data(), c.bytes.size(), &header)) << c.what;
}
