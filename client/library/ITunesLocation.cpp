#include "client/library/ITunesLocation.h"

#include "include/text/Utf8.h"

namespace {

constexpr wchar_t kLocalPrefix[] = L"file://localhost/";
constexpr size_t kLocalPrefixChars = sizeof kLocalPrefix / sizeof kLocalPrefix[0] - 1;

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::wstring LocationToPath(const std::wstring& location) {
    if (location.compare(0, kLocalPrefixChars, kLocalPrefix) != 0)
        return std::wstring();
    // The prefix's last '/' starts the path.
    const std::wstring path = location.substr(kLocalPrefixChars - 1);
    if (path.find(L'%') == std::wstring::npos)
        return path;
    return Utf8ToWide(PercentDecode(WideToUtf8(path)));
}

std::string PercentDecode(const std::string& text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}
