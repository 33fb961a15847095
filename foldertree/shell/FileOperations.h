// What the shell's commands do to files: copies, moves and links into a
// folder that never replace an entry there (a taken name gets a number),
// whole-tree copies that keep symbolic links as links, and moves across
// file systems that remove the source only after a complete copy. Results
// are 0 or an errno value.
#pragma once

#include <cerrno>
#include <string>

namespace pgv {

// A copy failed inside the tree because two of its names are one name on the
// target file system (one blind to case, say). Only a clash of the top-level
// name is EEXIST, "name taken", which a numbered name may get around.
constexpr int kNameClashInside = ENOTUNIQ;

// Why an operation failed, for the log: strerror's text, or what a clash
// inside a copied tree is.
std::string FileErrorText(int error);

// What a move across file systems left of its source. Once the copy is
// whole the move is done; what cannot be removed then (read-only media, an
// immutable file, a permission) stays where it was.
struct LeftBehind {
    std::string source;
    std::string target;
    std::string path; // the first entry that stayed
    int error = 0;    // why it stayed; 0 when the whole source went
};

// `name` in its numbered forms: 1 gives the name itself, n > 1 "stem (n)"
// followed by the extension ("a.txt", "a (2).txt"; a leading dot is no
// extension).
std::string NumberedName(const std::string& name, int number);

// Copies `source` (a file, a folder with everything in it, or a link as a
// link) into `folder` under its own name or the first free numbered one;
// `*created` is the new path.
int CopyInto(const std::string& source, const std::string& folder, std::string* created);
// Moves `source` into `folder` likewise: a rename, or across file systems a
// complete copy and then the removal of the source; `*left` (may be null)
// tells what of the source stayed.
int MoveInto(const std::string& source, const std::string& folder, std::string* moved, LeftBehind* left);
// Moves `source` to the new path `target` (which must not exist).
int MoveTo(const std::string& source, const std::string& target, LeftBehind* left);
// A symbolic link to `target` in `folder` named `name`, or the first free
// numbered form of it.
int LinkInto(const std::string& target, const std::string& folder, const std::string& name,
             std::string* created);

// Copies the tree at `from` to the new path `to`: folders with their mode,
// regular files, links as links. Any other kind of file fails the copy
// (EINVAL), and so does a name inside that clashes on the target
// (kNameClashInside); EEXIST only when `to` is taken. A failed copy leaves
// nothing at `to`.
int CopyTree(const std::string& from, const std::string& to);
// Removes the tree at `path`, as much of it as can go, walking each folder
// through its open descriptor and never following a link (a link is removed
// itself). A missing `path` is fine. The first failure's errno, with the
// entry in `*failed` (may be null).
int RemoveTree(const std::string& path, std::string* failed = nullptr);

// Whether `path` is `folder` or lies inside it, by the text of the paths.
bool IsSameOrInside(const std::string& path, const std::string& folder);

// The system calls behind the operations, replaced by tests (a move across
// file systems, an entry that cannot be removed, a folder swapped for a link
// during a walk); a null member is the system's own.
struct FileSystemCalls {
    int (*rename)(const char* from, const char* to) = nullptr;
    int (*unlinkAt)(int folder, const char* name, int flags) = nullptr;
    int (*openAt)(int folder, const char* name, int flags) = nullptr;
};
void SetFileSystemCalls(const FileSystemCalls& calls);

} // namespace pgv
