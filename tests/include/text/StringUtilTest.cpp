#include "include/text/StringUtil.h"

#include "include/text/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TokenCase {
    std::string text;
    std::string delimiters;
    bool keepDoubleLead;
    std::vector<std::string> tokens;
};

const TokenCase kTokenCases[] = {
    {",a,,b,", ",", false, {"a", "b"}},
    {",a,,b,", ",", true, {"a", "b"}},
    {"\\\\srv\\share", "\\", true, {"\\\\srv", "share"}},
    {"\\\\srv\\share", "\\", false, {"srv", "share"}},
    {"\\\\srv", "\\", true, {"\\\\srv"}},
    {"\\\\srv\\\\share\\", "\\", true, {"\\\\srv", "share"}},
    {"\\\\", "\\", true, {}},
    {"", ",", false, {}},
    {",,,", ",", false, {}},
    {"abc", ",", false, {"abc"}},
    {"a b\tc", " \t", false, {"a", "b", "c"}},
    {"a,b", "", false, {"a,b"}},
};

} // namespace

TEST(StringUtilTest, TokenizeDropsEmptyTokensAndKeepsALeadingDoubleDelimiterOnRequest) {
    for (const TokenCase& c : kTokenCases) {
        EXPECT_EQ(c.tokens, TokenizeStringA(c.text, c.delimiters, c.keepDoubleLead))
            << '"' << c.text << "\" keepDoubleLead " << c.keepDoubleLead;
        std::vector<std::wstring> wideTokens;
        for (const std::string& token : c.tokens)
            wideTokens.push_back(Utf8ToWide(token));
        EXPECT_EQ(wideTokens, TokenizeString(Utf8ToWide(c.text), Utf8ToWide(c.delimiters), c.keepDoubleLead))
            << '"' << c.text << "\" keepDoubleLead " << c.keepDoubleLead;
    }
}

TEST(StringUtilTest, TrimmingRemovesOnlyTheRunsAtTheEnds) {
    struct Case {
        std::string text;
        std::string set;
        std::string left, right, both;
    };
    const Case cases[] = {
        {"   ", " ", "", "", ""},
        {"", " ", "", "", ""},
        {"  a b  ", " ", "a b  ", "  a b", "a b"},
        {"xyaxy", "yx", "axy", "xya", "a"},
        {"abc", "", "abc", "abc", "abc"},
        {"\t\r\nline\r\n", "\r\n\t", "line\r\n", "\t\r\nline", "line"},
    };
    for (const Case& c : cases) {
        std::string left = c.text, right = c.text, both = c.text;
        TrimLeftA(left, c.set);
        TrimRightA(right, c.set);
        TrimStringA(both, c.set);
        EXPECT_EQ(c.left, left) << '"' << c.text << '"';
        EXPECT_EQ(c.right, right) << '"' << c.text << '"';
        EXPECT_EQ(c.both, both) << '"' << c.text << '"';

        std::wstring wleft = Utf8ToWide(c.text), wright = wleft, wboth = wleft;
        TrimLeft(wleft, Utf8ToWide(c.set));
        TrimRight(wright, Utf8ToWide(c.set));
        TrimString(wboth, Utf8ToWide(c.set));
        EXPECT_EQ(Utf8ToWide(c.left), wleft);
        EXPECT_EQ(Utf8ToWide(c.right), wright);
        EXPECT_EQ(Utf8ToWide(c.both), wboth);
    }
}

TEST(StringUtilTest, CaseInsensitiveComparisonOrdersLikeLowerCase) {
    EXPECT_TRUE(EqualsNoCase(L"Melvane", L"mELVANE"));
    EXPECT_FALSE(EqualsNoCase(L"abc", L"abcd"));
    EXPECT_EQ(0, CompareNoCase(L"ABC", L"abc"));
    EXPECT_LT(CompareNoCase(L"abc", L"ABD"), 0);
    EXPECT_GT(CompareNoCase(L"b", L"A"), 0);
    EXPECT_LT(CompareNoCase(L"ab", L"ABC"), 0);
    EXPECT_GT(CompareNoCase(L"abc", L""), 0);
    // Compared as lower case: '_' sorts before every letter.
    EXPECT_GT(CompareNoCase(L"A", L"_"), 0);

    std::wstring text = L"MiXeD 123";
    ToLowerW(text);
    EXPECT_EQ(L"mixed 123", text);
}
