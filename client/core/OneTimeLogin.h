// The one-time login file an installer leaves beside the executable: the user
// name on the first line, a one-time secret on the second.
#pragma once

#include <string>

constexpr wchar_t kOneTimeFileName[] = L"onetime";

// "onetime" in the executable's folder; "" when the executable's path is
// unknown.
std::wstring GetOneTimeFilePath();
// Both lines, trimmed of blanks, tabs, CR and LF. False (logged when the file
// exists) unless the first line ends with a line end and both trimmed lines
// are non-empty.
bool ReadOneTimeFile(const std::wstring& path, std::wstring& user, std::wstring& secret);
