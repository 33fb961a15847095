// The buyer's tag in a downloaded MP3 file: one ID3v2 PRIV frame whose owner
// identifier is the UITS owner text and whose data are the bytes of the UITS
// tag text, both as Latin-1 (a character outside it becomes '?'), the data
// without a terminator. The file's other tags stay as they are.
#pragma once

#include <string>

// Adds the frame to the file's existing ID3v2 tag (first removing the
// frames of that owner when `removeExisting`) and saves the tag in its own
// version. False when either text is empty, the file is not an MPEG audio
// file, it has no ID3v2 tag, or the save fails.
[[nodiscard]] bool EmbedUitsTag(const std::wstring& path, const std::wstring& owner, const std::wstring& tag,
                                bool removeExisting);
