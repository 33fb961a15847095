#include "include/text/StringUtil.h"

#include <cwctype>

namespace {

template <typename String> void TrimRightT(String& s, const String& set) {
    size_t end = s.find_last_not_of(set);
    s.erase(end == String::npos ? 0 : end + 1);
}

template <typename String> void TrimLeftT(String& s, const String& set) {
    size_t start = s.find_first_not_of(set);
    s.erase(0, start == String::npos ? s.size() : start);
}

template <typename String>
std::vector<String> TokenizeT(const String& s, const String& delimiters, bool keepDoubleLead) {
    std::vector<String> tokens;
    String rest = s;
    while (!rest.empty()) {
        size_t pos = rest.find_first_of(delimiters);
        if (pos == String::npos) {
            tokens.push_back(rest);
            break;
        }
        if (pos == 0 && keepDoubleLead && rest.size() > 2 && delimiters.find(rest[1]) != String::npos) {
            size_t next = rest.find_first_of(delimiters, 2);
            if (next == String::npos) {
                tokens.push_back(rest);
                break;
            }
            // Three delimiters in a row lead nothing worth keeping.
            if (next > 2)
                pos = next;
        }
        if (pos > 0)
            tokens.push_back(rest.substr(0, pos));
        rest.erase(0, pos);
        TrimLeftT(rest, delimiters);
    }
    return tokens;
}

} // namespace

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        wint_t ca = std::towlower(static_cast<wint_t>(a[i]));
        wint_t cb = std::towlower(static_cast<wint_t>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

void ToLowerW(std::wstring& s) {
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

bool IsControlChar(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    if (from.empty())
        return;
    for (size_t pos = text.find(from); pos != std::wstring::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

void TrimRight(std::wstring& s, const std::wstring& set) {
    TrimRightT(s, set);
}
void TrimLeft(std::wstring& s, const std::wstring& set) {
    TrimLeftT(s, set);
}
void TrimString(std::wstring& s, const std::wstring& set) {
    TrimRightT(s, set);
    TrimLeftT(s, set);
}
void TrimRightA(std::string& s, const std::string& set) {
    TrimRightT(s, set);
}
void TrimLeftA(std::string& s, const std::string& set) {
    TrimLeftT(s, set);
}
void TrimStringA(std::string& s, const std::string& set) {
    TrimRightT(s, set);
    TrimLeftT(s, set);
}

std::vector<std::wstring> TokenizeString(const std::wstring& s, const std::wstring& delimiters,
                                         bool keepDoubleLead) {
    return TokenizeT(s, delimiters, keepDoubleLead);
}

std::vector<std::string> TokenizeStringA(const std::string& s, const std::string& delimiters,
                                         bool keepDoubleLead) {
    return TokenizeT(s, delimiters, keepDoubleLead);
}
