// Logged file commands on wide paths. Failures are reported as false or -1
// and logged with errno; nothing throws.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

bool createDir(const std::wstring& path);
// Creates every missing folder before each '/' of `path` (not the last
// element unless `path` ends with '/').
bool createDirs(const std::wstring& path);
// Renames without ever replacing an existing `to`; moves across file systems
// by copying.
bool renameFile(const std::wstring& from, const std::wstring& to);
bool fileExists(const std::wstring& path);
bool pathExists(const std::wstring& path);
bool isDirectory(const std::wstring& path);
// The file's size, or -1 when it cannot be read.
int64_t getFileSize(const std::wstring& path);
bool statFile(const std::wstring& path, struct stat* record);
bool setFileMode(const std::wstring& path, int mode);
bool deleteFile(const std::wstring& path, bool log);

// Descriptors are close-on-exec. Both return -1 on failure.
int openFileRead(const std::wstring& path, int64_t startFilePos);
int openFileWrite(const std::wstring& path, int64_t startFilePos);

// Reads until `n` bytes are in, the end of the file, or an error (its negative
// result is returned).
long ReadFully(int fd, void* buffer, long n);

// A malloc'd copy; free it with free().
wchar_t* WcsDup(const wchar_t* text);
// The byte length of `text` converted to the program's multibyte text.
size_t WideToMbLength(const wchar_t* text);
