// What the library shares, told by a file name's extension.
#pragma once

#include <cstddef>
#include <string>

// True when the last 4 characters of `name` equal one of `extensions` (each
// 4 characters with the dot), ignoring ASCII case. Names shorter than 4
// characters have none.
bool HasExtension(const std::wstring& name, const char* const* extensions, size_t count);
// .mp3 or .m4a
bool isMusicFile(const std::wstring& name);
bool IsMp3File(const std::wstring& name);
bool IsM4aFile(const std::wstring& name);
// .m3u
bool IsPlaylistFile(const std::wstring& name);
// The name without its 4-character extension ("" for a name that is no
// longer).
std::wstring NameWithoutExtension(const std::wstring& name);
