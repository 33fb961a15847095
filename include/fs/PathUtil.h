// Paths ('/'-separated) and the program's folders.
#pragma once

#include "platform/fs/XdgDirs.h"

#include <string>
#include <vector>

// dir + exactly one '/' + name (a leading '/' of name is dropped); an empty
// dir gives "/" + name.
std::wstring PathJoin(const std::wstring& dir, const std::wstring& name);
// Splits at the last '/'; false (outputs untouched) when there is none or it
// is the first character.
bool SplitPath(const std::wstring& path, std::wstring& dir, std::wstring& name);
// Splits a URL path at its last '/'; a '/' at position 0 gives an empty head.
bool SplitUrlPath(const std::wstring& url, std::wstring& head, std::wstring& tail);
// Case-sensitive path order, as the file system sees names.
int PathCompare(const std::wstring& a, const std::wstring& b);
// `path` is `folder` or lies inside it (at a '/' boundary: "/music" does not
// hold "/music2/x").
bool IsFolderOrInside(const std::wstring& folder, const std::wstring& path);
// The longest of `folders` that holds `path` (at a '/' boundary: "/music"
// does not hold "/music2/x"), and in `rest` the path after it without its
// leading '/'. False when none holds it.
bool FindFolderHolding(const std::vector<std::wstring>& folders, const std::wstring& path,
                       std::wstring& rest);
bool IsRelativePath(const std::wstring& path);
// True for a single file-name element: not empty, not "." or "..", without
// '/', '\\' (a wire separator left unconverted) or control characters (C0,
// DEL, C1).
bool IsSafeFileName(const std::wstring& name);
// The one check for relative paths built from network input: not empty, not
// absolute, every '/'-separated element a safe file name (so no empty
// element, no "." or "..", no '\\', no control characters). True when the
// path stays inside whatever folder it is joined to.
[[nodiscard]] bool ValidateRelativePath(const std::wstring& path);

// A relative name from the network or a downloaded file, with '/' or '\\' as
// separator, as a '/' path in `path`; false (logged) when ValidateRelativePath
// refuses it.
[[nodiscard]] bool NetworkNameToPath(const std::wstring& name, std::wstring& path);

// The program's private temporary folder joined with `name`; "" when name is
// not a plain file name or the folder cannot be had.
std::wstring GetTempFilePath(const std::wstring& name);
// The program's private temporary folder, made 0700 when missing; "" when it
// cannot be had.
std::wstring GetTempFolderPath();
bool RemoveFile(const std::wstring& path);

// Folder ids of the special folders the program asks for; the mapping to
// folders is platform::SpecialFolderDir, which the folder-tree control
// shares.
enum SpecialFolder {
    CSIDL_PERSONAL = platform::SF_DOCUMENTS,
    CSIDL_MYMUSIC = platform::SF_MUSIC,
    CSIDL_DESKTOPDIRECTORY = platform::SF_DESKTOP_DIRECTORY,
    CSIDL_LOCAL_APPDATA = platform::SF_LOCAL_DATA,
    CSIDL_PROFILE = platform::SF_PROFILE,
};
// The folder's path, or "" (logged) when it is unknown.
std::wstring GetSpecialFolderPath(int csidl);
// The per-user data folder of the program, created 0700 when missing; "" when
// no home folder can be found.
std::wstring GetAppDataDir();
std::wstring GetLogFilePath(const std::wstring& dir);
std::wstring GetAppDataLogPath();
