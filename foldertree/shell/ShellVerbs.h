// The commands the namespace offers for an item, as a context menu lists
// them: Open, Open Folder, then Cut, Copy, Paste, then Create Link, Move to
// Trash and Rename, each where the item allows it. Verbs keep the names
// hosts know ("open", "explore", "cut", "copy", "paste", "link", "delete",
// "rename"); "properties", "find" and "print" are not offered here.
#pragma once

#include "foldertree/shell/ShellNamespace.h"

#include <string>
#include <vector>

namespace pgv {

// What the menu is built for.
enum ContextMenuFlags : uint32_t {
    CMF_NORMAL = 0,
    CMF_EXPLORE = 0x4,
    CMF_CANRENAME = 0x10,
    CMF_EXTENDEDVERBS = 0x100, // Shift held: "Copy as Path" too
};

struct ShellVerb {
    std::u16string verb;    // empty for a separator
    std::u16string caption; // '&' marks the access key
    std::u16string help;
    bool disabled = false;
};

// The verbs for `item` in menu order, separators only between groups;
// Paste is listed for folders, disabled unless `canPaste`.
std::vector<ShellVerb> ShellVerbsFor(const ShellNamespace& shell, const ItemIds& item, uint32_t flags,
                                     bool canPaste);

// Verbs compare without regard to case ("Explore" is "explore").
bool IsVerb(std::u16string_view verb, std::u16string_view name);

} // namespace pgv
