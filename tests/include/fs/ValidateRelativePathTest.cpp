#include "include/fs/PathUtil.h"

#include <gtest/gtest.h>

#include <string>

TEST(ValidateRelativePathTest, PathsThatStayInsideTheirFolderPass) {
    for (const wchar_t* path :
         {L"a", L"Album/Song.mp3", L"a b/c..d/.hidden", L"x/y/z", L"..a", L"a..", L"Caf\u00e9/\u266b.mp3"})
        EXPECT_TRUE(ValidateRelativePath(path)) << path;
}

TEST(ValidateRelativePathTest, PathsThatCouldLeaveTheirFolderFail) {
    const std::wstring withControl = std::wstring(L"a") + wchar_t(0x01) + L"b";
    const std::wstring withNul = std::wstring(L"a\0b", 3);
    for (const std::wstring& path :
         {std::wstring(), std::wstring(L"/etc/passwd"), std::wstring(L".."), std::wstring(L"../x"),
          std::wstring(L"a/../../x"), std::wstring(L"a/.."), std::wstring(L"a//b"), std::wstring(L"a/"),
          std::wstring(L"./a"), std::wstring(L"a/./b"), withControl, withNul, std::wstring(L"a\nb"),
          std::wstring(L"a/b\x7f"), std::wstring(L"a\\..\\..\\x"), std::wstring(L"a/b\\c"),
          std::wstring(L"a/\u0085b"), std::wstring(L"\u009b/x")})
        EXPECT_FALSE(ValidateRelativePath(path)) << std::string(path.begin(), path.end());
}
