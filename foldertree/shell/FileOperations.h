// What the shell's commands do to files: copies, moves and links into a
// folder that never replace an entry there (a taken name gets a number),
// whole-tree copies that keep symbolic links as links, and moves across
// file systems that remove the source only after a complete copy. Results
// are 0 or an errno value.
#pragma once

#include <string>

namespace pgv {

// `name` in its numbered forms: 1 gives the name itself, n > 1 "stem (n)"
// followed by the extension ("a.txt", "a (2).txt"; a leading dot is no
// extension).
std::string NumberedName(const std::string& name, int number);

// Copies `source` (a file, a folder with everything in it, or a link as a
// link) into `folder` under its own name or the first free numbered one;
// `*created` is the new path.
int CopyInto(const std::string& source, const std::string& folder, std::string* created);
// Moves `source` into `folder` likewise: a rename, or across file systems a
// complete copy and then the removal of the source.
int MoveInto(const std::string& source, const std::string& folder, std::string* moved);
// Moves `source` to the new path `target` (which must not exist).
int MoveTo(const std::string& source, const std::string& target);
// A symbolic link to `target` in `folder` named `name`, or the first free
// numbered form of it.
int LinkInto(const std::string& target, const std::string& folder, const std::string& name,
             std::string* created);

// Copies the tree at `from` to the new path `to`: folders with their mode,
// regular files, links as links. Any other kind of file fails the copy
// (EINVAL); a failed copy leaves nothing at `to`.
int CopyTree(const std::string& from, const std::string& to);
// Removes the tree at `path` without following links.
int RemoveTree(const std::string& path);

// Whether `path` is `folder` or lies inside it, by the text of the paths.
bool IsSameOrInside(const std::string& path, const std::string& folder);

// Replaces rename(2) for tests (a move across file systems, say); null
// restores it.
using RenameFunction = int (*)(const char* from, const char* to);
void SetRenameOverride(RenameFunction rename);

} // namespace pgv
