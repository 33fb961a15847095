// Where a download lands: the download folder joined with the folder and
// file names the server sends. The names come from the network, so they go
// through the one check for relative paths and the result must stay inside
// the download folder, also on the disk: the move never follows a link
// below the download folder.
#pragma once

#include <string>

// The destination for `wireDir` (folders separated by '\' or '/', may be
// empty) and `fileName` in `downloadDir`. False (logged) for an absolute
// part, "..", ".", an empty component, a control character (NUL included)
// or anything else that would leave the folder.
[[nodiscard]] bool MakeDownloadPath(const std::wstring& downloadDir, const std::wstring& wireDir,
                                    const std::wstring& fileName, std::wstring& destination);

// Moves the file `from` to `destination`, a path MakeDownloadPath made for
// `downloadDir`, making the folders on the way. Below the download folder
// folders are made and entered one at a time without following links, so a
// link planted there cannot lead the file elsewhere; an existing file is
// never replaced. The folders made and the file, once in its place, take
// the user's ordinary modes (0666 and 0777 less the umask); a file that
// could not be moved keeps its own. False (logged) on failure.
[[nodiscard]] bool MoveIntoDownloadFolder(const std::wstring& from, const std::wstring& downloadDir,
                                          const std::wstring& destination);
