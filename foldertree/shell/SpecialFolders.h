// Special folders by their folder ids (CSIDL numbers): the desktop (0),
// Trash (10), Computer (17) and Home (40) are items of their own; the
// others are the folders of the XDG mapping the program shares, as items
// even when the folder does not exist yet.
#pragma once

#include "foldertree/shell/ShellNamespace.h"

namespace pgv {

enum SpecialFolderItemId : int32_t {
    CSIDL_DESKTOP = 0,
    CSIDL_BITBUCKET = 10,
    CSIDL_DRIVES = 17,
    CSIDL_PROFILE = 40,
};

// False for an id without a folder here.
bool SpecialFolderItem(const ShellNamespace& shell, int32_t csidl, ItemIds* item);

} // namespace pgv
