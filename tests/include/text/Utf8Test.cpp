#include "include/text/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kFffd(1, kReplacementChar);

std::wstring Replacements(size_t n) {
    return std::wstring(n, kReplacementChar);
}

} // namespace

TEST(Utf8Test, RoundTripsEveryPlaneAndEmbeddedNul) {
    struct Case {
        std::wstring wide;
        std::string utf8;
    };
    const Case cases[] = {
        {L"", ""},
        {L"plain ascii", "plain ascii"},
        {std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
        {L"caf\u00e9", "caf\xC3\xA9"},
        {L"\u07ff\u0800", "\xDF\xBF\xE0\xA0\x80"},
        {L"\u20ac\uffff", "\xE2\x82\xAC\xEF\xBF\xBF"},
        {L"a\ufffd", "a\xEF\xBF\xBD"}, // the replacement character itself
        {L"\U0001F3B5", "\xF0\x9F\x8E\xB5"},
        {L"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.utf8, WideToUtf8(c.wide));
        EXPECT_EQ(c.wide, Utf8ToWide(c.utf8));
        EXPECT_EQ(c.utf8.size(), Utf8Length(c.wide));
        EXPECT_EQ(c.utf8, WideToLocal(c.wide));
        EXPECT_TRUE(IsValidUtf8(c.utf8));
    }
}

TEST(Utf8Test, InvalidBytesDecodeToReplacementCharacters) {
    struct Case {
        const char* name;
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"two-byte sequence cut at the end", "a\xC3", L"a" + kFffd},
        {"three-byte sequence cut at the end", "\xE2\x82", kFffd},
        {"four-byte sequence cut before a letter", "\xF0\x9F\x8Ex", kFffd + L"x"},
        {"stray continuation bytes", "\x80\xBF", Replacements(2)},
        {"overlong NUL", "\xC0\x80", Replacements(2)},
        {"overlong slash", "\xC1\xAF", Replacements(2)},
        {"overlong three-byte form", "\xE0\x80\xAF", Replacements(3)},
        {"overlong four-byte form", "\xF0\x80\x80\xAF", Replacements(4)},
        {"high surrogate encoded", "\xED\xA0\x80", Replacements(3)},
        {"low surrogate encoded", "\xED\xBF\xBF", Replacements(3)},
        {"past U+10FFFF", "\xF4\x90\x80\x80", Replacements(4)},
        {"lead bytes F5 and up", "\xF5\x80\x80\x80", Replacements(4)},
        {"bytes FE and FF", "a\xFE\xFFz", L"a" + Replacements(2) + L"z"},
        {"valid text resumes after a broken sequence", "\xE2\x82\xE2\x82\xAC", kFffd + L"\u20ac"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.wide, Utf8ToWide(c.utf8)) << c.name;
        EXPECT_FALSE(IsValidUtf8(c.utf8)) << c.name;
    }
}

TEST(Utf8Test, UnencodableWideValuesBecomeTheReplacementCharacter) {
    const std::string replacement = "\xEF\xBF\xBD";
    const wchar_t unencodable[] = {static_cast<wchar_t>(0xD800),   static_cast<wchar_t>(0xDBFF),
                                   static_cast<wchar_t>(0xDC00),   static_cast<wchar_t>(0xDFFF),
                                   static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-1)};
    for (wchar_t c : unencodable) {
        std::wstring wide = L"x";
        wide += c;
        EXPECT_EQ("x" + replacement, WideToUtf8(wide)) << static_cast<long>(c);
        EXPECT_EQ(4u, Utf8Length(wide));
        char out[8];
        EXPECT_EQ(4u, WideToUtf8Into(wide.data(), wide.size(), out, sizeof out));
        EXPECT_EQ("x" + replacement, std::string(out, 4));
    }
}

TEST(Utf8Test, BoundedEncodingNeverSplitsACharacter) {
    const std::wstring wide = L"a\u00e9\U0001F3B5";
    char out[16];
    const size_t expected[] = {0, 1, 1, 3, 3, 3, 3, 7, 7};
    for (size_t capacity = 0; capacity < sizeof expected / sizeof expected[0]; ++capacity)
        EXPECT_EQ(expected[capacity], WideToUtf8Into(wide.data(), wide.size(), out, capacity)) << capacity;
    size_t n = WideToUtf8Into(wide.data(), wide.size(), out, sizeof out);
    EXPECT_EQ(WideToUtf8(wide), std::string(out, n));
}
