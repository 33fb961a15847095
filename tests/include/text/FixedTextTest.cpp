#include "include/text/FixedText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::string Build(size_t capacity, void (*fill)(FixedText&)) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    FixedText text(buffer, capacity);
    fill(text);
    EXPECT_EQ(std::strlen(buffer), text.Length());
    EXPECT_EQ('#', buffer[capacity]) << "wrote past its capacity";
    return buffer;
}

} // namespace

TEST(FixedTextTest, NumbersInEveryForm) {
    EXPECT_EQ("-42", Build(32, [](FixedText& t) { t.AppendDecimal(-42); }));
    EXPECT_EQ("00007", Build(32, [](FixedText& t) { t.AppendDecimal(7, 5); }));
    EXPECT_EQ("123456", Build(32, [](FixedText& t) { t.AppendDecimal(123456, 5); }));
    EXPECT_EQ("-005", Build(32, [](FixedText& t) { t.AppendDecimal(-5, 3); }));
    EXPECT_EQ("-9223372036854775808",
              Build(32, [](FixedText& t) { t.AppendDecimal(std::numeric_limits<int64_t>::min()); }));
    EXPECT_EQ("18446744073709551615",
              Build(32, [](FixedText& t) { t.AppendUnsigned(std::numeric_limits<uint64_t>::max()); }));
    EXPECT_EQ("0 b ffffffffffffffff", Build(32, [](FixedText& t) {
                  t.AppendHex(0).AppendChar(' ').AppendHex(0xb).AppendChar(' ').AppendHex(~0ULL);
              }));
    EXPECT_EQ("0x0 0x7f", Build(32, [](FixedText& t) {
                  t.AppendPointer(nullptr).AppendChar(' ').AppendPointer(reinterpret_cast<void*>(0x7f));
              }));
}

TEST(FixedTextTest, TextThatDoesNotFitIsCutAndTerminated) {
    EXPECT_EQ("abcd", Build(5, [](FixedText& t) { t.Append("abcdefg"); }));
    EXPECT_EQ("ab12", Build(5, [](FixedText& t) { t.Append("ab").AppendDecimal(12345).Append("zz"); }));
    EXPECT_EQ("abc", Build(8, [](FixedText& t) { t.Append("abcdef", 3); }));
    EXPECT_EQ("", Build(1, [](FixedText& t) { t.Append("x").AppendChar('y').AppendHex(255); }));
    EXPECT_EQ("", Build(5, [](FixedText& t) { t.Append(nullptr); }));
}

TEST(FixedTextTest, ZeroCapacityWritesNothing) {
    char buffer[4] = {'#', '#', '#', '#'};
    FixedText text(buffer, 0);
    text.Append("abc").AppendDecimal(5).AppendChar('x');
    EXPECT_EQ(0u, text.Length());
    EXPECT_EQ('#', buffer[0]);
}
