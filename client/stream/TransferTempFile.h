// The temporary file a download grows in: "mv-", the transfer id's first word
// as a signed number, "-", the file-set id, ".temp", in the program's private
// temporary folder. A download restarted for the same transfer and content
// finds the file again and goes on from what it holds.
#pragma once

#include "client/protocol/mvMessage.h"

#include <cstdint>
#include <string>

class FileMetaData;

extern const wchar_t kTempFileSuffix[];

// What every temporary file of this transfer id begins with.
std::wstring TempNamePrefix(const TransferId& id);
std::wstring CreateTempName(const TransferId& id, uint64_t fileSetID);

// The file-set id of a content digest: its first 8 bytes big-endian, shifted
// right by one. False for a digest that is not 32 hex digits.
[[nodiscard]] bool FileSetIdOfDigest(const std::string& digest, uint64_t& fileSetID);

// Where a download goes on from.
struct ResumePoint {
    // The tag region is there: only audio data is still asked for.
    bool tagDone = false;
    // Audio bytes already there, asked for from here on.
    int64_t resumeOffset = 0;
    // Where new bytes are written: the end of what is there.
    int64_t startPos = 0;
};

// A record of the temporary file that reads it as the type of the
// destination's name (its own name says nothing of its type).
FileMetaData TempFileRecord(const std::wstring& tempPath, const std::wstring& destination);

// Looks at what an earlier try left in the record's file: the tag region
// must be there whole. A file that does not read as its type is deleted, and
// the download starts afresh.
ResumePoint ProbeTempFile(FileMetaData& record);

// Opens the temporary file for writing at `startPos` (0600, never through a
// link); at 0 it is emptied. -1 (logged) on failure.
int OpenTempFile(const std::wstring& path, int64_t startPos);
