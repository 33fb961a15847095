// The address of the user's page on the service's web site.
#pragma once

#include <string>

// site + "/" when there is no secret or credential; else the login address
// with the user name (percent-encoded) and the salted digest of the secret
// and the credential.
std::wstring MakeLoginUrl(const std::wstring& site, const std::string& secret, const std::wstring& username,
                          const std::wstring& credential);
// Percent-encodes every UTF-8 byte outside letters, digits and "-._~".
std::string PercentEncode(const std::string& text);
