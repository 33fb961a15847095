#include "include/digest/Md5.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Vector {
    const char* input;
    const char* digest;
};

// The test suite of RFC 1321, appendix A.5.
const Vector kRfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

std::string Md5Of(const std::string& text) {
    return Md5HexOfBuffer(text.data(), static_cast<int>(text.size()));
}

} // namespace

TEST(Md5Test, MatchesEveryRfc1321Vector) {
    for (const Vector& v : kRfc1321)
        EXPECT_EQ(v.digest, Md5Of(v.input)) << '"' << v.input << '"';
}

TEST(Md5Test, SplitFeedingGivesTheSameDigestAtEveryCut) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>('a' + i % 26);
    const std::string whole = Md5Of(text);
    // Cuts on both sides of the 56- and 64-byte block boundaries.
    for (size_t cut : {0, 1, 55, 56, 57, 63, 64, 65, 127, 128, 200, 300}) {
        Md5Context ctx;
        Md5Init(&ctx);
        Md5Update(&ctx, text.data(), static_cast<int>(cut));
        Md5Update(&ctx, text.data() + cut, static_cast<int>(text.size() - cut));
        unsigned char digest[kMd5DigestBytes];
        Md5Final(&ctx, digest);
        EXPECT_EQ(whole, GetDigestStrA(digest, kMd5DigestBytes)) << "cut at " << cut;
    }
}

TEST(Md5Test, NonPositiveLengthsFeedNothing) {
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, "abc", 0);
    Md5Update(&ctx, "abc", -5);
    Md5Update(&ctx, "abc", 3);
    unsigned char digest[kMd5DigestBytes];
    Md5Final(&ctx, digest);
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", GetDigestStrA(digest, kMd5DigestBytes));
}

TEST(Md5Test, DigestTextRoundTripsAndMalformedTextIsRefused) {
    const unsigned char bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ("000fa0ff", GetDigestStrA(bytes, 4));
    EXPECT_EQ(L"000fa0ff", GetDigestStrW(bytes, 4));

    unsigned char parsed[4] = {};
    ASSERT_TRUE(DigestStrToBytes("000fa0ff", parsed, 4));
    EXPECT_EQ(0, memcmp(bytes, parsed, 4));

    for (const char* bad : {"000fa0f", "000fa0ff00", "000FA0FF", "000fa0fg", "0x0fa0ff", " 00fa0ff", ""})
        EXPECT_FALSE(DigestStrToBytes(bad, parsed, 4)) << '"' << bad << '"';
}

TEST(Md5Test, DigestToUInt64ReadsTheFirstEightBytesBigEndian) {
    uint64_t value = 0;
    ASSERT_TRUE(DigestStrToUInt64("900150983cd24fb0d6963f7d28e17f72", value));
    EXPECT_EQ(0x900150983cd24fb0ULL, value);
    EXPECT_FALSE(DigestStrToUInt64("900150983cd24fb0", value));
    EXPECT_FALSE(DigestStrToUInt64("Z00150983cd24fb0d6963f7d28e17f72", value));
}

TEST(Md5Test, FileDigestMatchesBufferDigestAndMissingFileFails) {
    testsupport::TempDir dir;
    std::string content(40000, 'x');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    testsupport::WriteFileText(dir.File("big"), content);
    testsupport::WriteFileText(dir.File("empty"), "");

    std::wstring hex;
    ASSERT_TRUE(Md5HexOfFile(dir.WFile("big"), hex));
    EXPECT_EQ(Md5Of(content), std::string(hex.begin(), hex.end()));
    ASSERT_TRUE(Md5HexOfFile(dir.WFile("empty"), hex));
    EXPECT_EQ(L"d41d8cd98f00b204e9800998ecf8427e", hex);

    std::wstring untouched = L"keep";
    EXPECT_FALSE(Md5HexOfFile(dir.WFile("missing"), untouched));
    EXPECT_EQ(L"keep", untouched);
    // A folder opens but cannot be read.
    EXPECT_FALSE(Md5HexOfFile(dir.WPath(), untouched));
    EXPECT_EQ(L"keep", untouched);
}

TEST(Md5Test, RandomHexIdsAreEightLowerCaseDigitsAndDiffer) {
    std::string a, b;
    ASSERT_TRUE(MakeRandomHexId(a));
    ASSERT_TRUE(MakeRandomHexId(b));
    EXPECT_EQ(8u, a.size());
    EXPECT_EQ(std::string::npos, a.find_first_not_of("0123456789abcdef"));
    EXPECT_NE(a, b);
}
