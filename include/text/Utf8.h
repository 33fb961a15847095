// Conversions between wide text (one wchar_t per code point) and UTF-8.
// They never fail: what cannot be represented becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr wchar_t kReplacementChar = 0xFFFD;

std::string WideToUtf8(const std::wstring& wide);
// Text for narrow C and system calls; the program runs in a UTF-8 locale.
std::string WideToLocal(const std::wstring& wide);
std::wstring Utf8ToWide(const std::string& utf8);
// The same, but false when `utf8` was not valid UTF-8 (`wide` then holds
// U+FFFD in place of each bad sequence).
[[nodiscard]] bool Utf8ToWideStrict(std::string_view utf8, std::wstring& wide);
// True when every byte of `bytes` belongs to a well-formed UTF-8 sequence:
// exactly the texts that Utf8ToWide decodes without U+FFFD standing in.
bool IsValidUtf8(const std::string& bytes);

// Encodes as much of `wide` as fits in `capacity` bytes without splitting a
// character, and returns the bytes written (no terminator). Allocates nothing.
size_t WideToUtf8Into(const wchar_t* wide, size_t length, char* out, size_t capacity) noexcept;

// At most maxBytes of `text`, not cutting a UTF-8 sequence apart.
std::string CutUtf8(const std::string& text, size_t maxBytes);

// The byte length of `wide` in UTF-8.
size_t Utf8Length(const std::wstring& wide) noexcept;
