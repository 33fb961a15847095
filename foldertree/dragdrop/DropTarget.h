// What a drop into a folder does: the effect chosen from the keys held and
// the file systems involved, and the copies, moves and links it makes
// (never over an existing entry).
#pragma once

#include "foldertree/shell/FileOperations.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pgv {

// The effect of dropping `sources` into `folder` with `keyState`, among
// `allowed`: Ctrl+Shift links, Ctrl copies, Shift moves; without them a
// drop on the same file system moves and one across file systems copies,
// or takes the first allowed of copy, move and link. None for no sources,
// a source that is the folder or holds it, a move into the folder a source
// is in already, or an effect the keys ask for that is not allowed.
uint32_t DropEffectFor(const std::vector<std::string>& sources, const std::string& folder, uint32_t keyState,
                       uint32_t allowed);

// Copies, moves or links `sources` into `folder`; 0 or the first errno
// value. `created` receives the new paths, `removed` the sources a move
// took away, `leftBehind` what moves across file systems could not remove
// of their sources.
int PerformDrop(const std::vector<std::string>& sources, const std::string& folder, uint32_t effect,
                std::vector<std::string>* created, std::vector<std::string>* removed,
                std::vector<LeftBehind>* leftBehind);

// "Link to <name>" for the link made to `path`.
std::string LinkName(const std::string& path);

} // namespace pgv
