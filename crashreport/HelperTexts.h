// The texts the uploader shows.
#pragma once

#include <string>

constexpr wchar_t kUploadFailedCaption[] = L"Melvane Helper Error";
constexpr wchar_t kRestartCaption[] = L"Melvane Error";

// After the last try failed for want of a connection.
std::wstring FirewallText(const std::wstring& supportEmail);
// After the last try failed otherwise; each text is cut to 8191 characters.
std::wstring UploadFailedText(const std::wstring& supportEmail, const std::wstring& summary,
                              const std::wstring& errorText, const std::wstring& programPath,
                              const std::wstring& version);
// The question whether to start the program again.
std::wstring RestartText(const std::wstring& supportEmail);
