// Comparing, trimming and splitting text, in wide and narrow forms.
#pragma once

#include <string>
#include <vector>

// Case-insensitive comparison, for text that is not a path.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
int CompareNoCase(const std::wstring& a, const std::wstring& b);
void ToLowerW(std::wstring& s);
// C0 and C1 control characters and DEL: never part of a name or a line of text
// written to a file.
bool IsControlChar(wchar_t c);

// Replaces every occurrence of `from` (not empty) by `to`, scanning forward
// past each replacement, so a `to` that holds `from` cannot loop.
void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to);

// Erase the trailing / leading run of characters that belong to `set`.
void TrimRight(std::wstring& s, const std::wstring& set);
void TrimLeft(std::wstring& s, const std::wstring& set);
void TrimString(std::wstring& s, const std::wstring& set);
void TrimRightA(std::string& s, const std::string& set);
void TrimLeftA(std::string& s, const std::string& set);
void TrimStringA(std::string& s, const std::string& set);

// Splits at any of `delimiters`; runs of delimiters count as one and no empty
// token is produced. With keepDoubleLead, a leading double delimiter (as
// before a network share's host) stays part of the first token.
std::vector<std::wstring> TokenizeString(const std::wstring& s, const std::wstring& delimiters,
                                         bool keepDoubleLead);
std::vector<std::string> TokenizeStringA(const std::string& s, const std::string& delimiters,
                                         bool keepDoubleLead);
