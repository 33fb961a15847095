#include "include/digest/Crc32.h"

#include <gtest/gtest.h>

namespace {

uint32_t CrcOfNameAndDir(const std::wstring& name, uint32_t dirId) {
    Crc32 crc;
    crc.AddWide(name);
    crc.AddU32(dirId);
    return crc.Value();
}

} // namespace

TEST(Crc32Test, KnownAnswers) {
    Crc32 check;
    check.AddText("123456789");
    EXPECT_EQ(0xCBF43926u, check.Value()); // the standard check value

    // Names travel as UTF-16LE and numbers little-endian.
    EXPECT_EQ(0x83721348u, CrcOfNameAndDir(L"a.mp3", 1));
    EXPECT_EQ(0x4E166B90u, CrcOfNameAndDir(L"A.mp3", 1));
    EXPECT_EQ(0x91C7BCA6u, CrcOfNameAndDir(L"a.mp3", 2));
}

TEST(Crc32Test, WideTextAndIntegersEqualTheirLittleEndianBytes) {
    Crc32 pieces;
    pieces.AddWide(L"\u00e9\U0001F3B5");
    pieces.AddU16(0x0102);
    pieces.AddU64(0x0102030405060708ull);
    const unsigned char bytes[] = {0xE9, 0x00, 0x3C, 0xD8, 0xB5, 0xDF, 0x02, 0x01,
                                   0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
    Crc32 whole;
    whole.AddBytes(bytes, sizeof bytes);
    EXPECT_EQ(whole.Value(), pieces.Value());
}
