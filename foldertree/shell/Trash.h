// The freedesktop Trash of the data home ($XDG_DATA_HOME/Trash): an item
// moved there goes to files/<name>, described by info/<name>.trashinfo
// (its original path and the local time of deletion), where <name> is the
// item's name or the first numbered form of it free in both folders.
#pragma once

#include "foldertree/shell/FileOperations.h"

#include <cstdint>
#include <string>

namespace pgv {

// "<data home>/Trash"; "" when there is no data home.
std::string HomeTrashFolder();

// The .trashinfo text for `path` deleted at `now` (seconds since 1970).
std::string TrashInfoText(const std::string& path, int64_t now);

// Moves the item at the absolute `path` into the Trash at `trashFolder`
// (made when missing); 0 with `*trashed` its path in files/, or an errno
// value. The description is written first, so a move that fails leaves
// no stray entry and one that succeeds is never undescribed; `*left` (may
// be null) tells what of the item stayed after a move across file systems.
int MoveToTrash(const std::string& path, const std::string& trashFolder, int64_t now, std::string* trashed,
                LeftBehind* left);

} // namespace pgv
