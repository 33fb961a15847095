// The program's command line: its arguments after the program path, joined
// by blanks, in which switches are found by plain (case-sensitive) substring
// search.
#pragma once

#include <string>

constexpr wchar_t kSwitchInstallCheck[] = L"/installCheck";
constexpr wchar_t kSwitchFingerprint[] = L"/fp";
constexpr wchar_t kSwitchStartup[] = L"/startup";
constexpr wchar_t kSwitchInstalled[] = L"/installed";
// Asks the running copy to open its shared-folders dialog, then ends.
constexpr wchar_t kSwitchShowFolders[] = L"/showFolders";

// argv[1..] joined by blanks; the program path is never part of it.
std::wstring CommandLineFromArgs(int argc, const char* const* argv);
bool HasSwitch(const std::wstring& commandLine, const wchar_t* name);
