#include "client/core/LoginUrl.h"

#include "client/server/LoginDigests.h"
#include "include/text/AppStrings.h"
#include "include/text/Utf8.h"

std::string PercentEncode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::wstring MakeLoginUrl(const std::wstring& site, const std::string& secret, const std::wstring& username,
                          const std::wstring& credential) {
    if (secret.empty() || credential.empty())
        return site + GetAppString(AS_WEB_ROOT_PATH);
    return site + GetAppString(AS_WEB_LOGIN_PATH) + L"?redirect=1" + L"&cliu=" +
           Utf8ToWide(PercentEncode(WideToUtf8(username))) + L"&clip=" +
           Utf8ToWide(SaltedDigest(secret, WideToUtf8(credential)));
}
