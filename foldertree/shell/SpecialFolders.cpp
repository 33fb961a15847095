#include "foldertree/shell/SpecialFolders.h"

#include "platform/fs/XdgDirs.h"

namespace pgv {

bool SpecialFolderItem(const ShellNamespace& shell, int32_t csidl, ItemIds* item) {
    switch (csidl) {
    case CSIDL_DESKTOP:
        item->clear();
        return true;
    case CSIDL_BITBUCKET:
        *item = {VirtualId(VI_TRASH)};
        return true;
    case CSIDL_DRIVES:
        *item = {VirtualId(VI_COMPUTER)};
        return true;
    case CSIDL_PROFILE:
        *item = {VirtualId(VI_HOME)};
        return true;
    default:
        break;
    }
    std::string path;
    return platform::SpecialFolderDir(csidl, &path) && shell.Parse(path, PM_LEXICAL, item);
}

} // namespace pgv
