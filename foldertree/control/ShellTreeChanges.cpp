// The tree window kept up to date: watches of the filled folders and the
// changes they report.
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/ShellTree.h"
#include "foldertree/control/TreeCallback.h"
#include "foldertree/shell/MountTable.h"

#include <cstring>

namespace pgv {

bool ShellTree::SetAutoUpdate(bool on) {
    if (!on) {
        if (m_watcher.IsStarted() && m_loop)
            m_loop->UnwatchDescriptor(m_watcher.Descriptor());
        m_watcher.Stop();
        return true;
    }
    if (!IsCreated() || m_watcher.IsStarted())
        return true;
    int error = m_loop ? m_watcher.Start(MountInfoPath(), m_shell.Roots().volumes) : ENOTSUP;
    if (error == 0 && ax::Failed(m_loop->WatchDescriptor(m_watcher.Descriptor(), m_watchCallback.Get())))
        error = EBADF;
    if (error != 0) {
        m_watcher.Stop();
        m_events.Log(PGV_LOG_ERR, std::string("Cannot follow changes of folders: ") + std::strerror(error));
        return false;
    }
    for (TreeHandle folder : m_filled)
        Watch(folder);
    return true;
}

void ShellTree::Watch(TreeHandle folder) {
    const ItemData* data = Data(folder);
    std::string path;
    if (!m_watcher.IsStarted() || !data || data->kind == NK_CUSTOM || !m_shell.PathOf(data->item, &path))
        return;
    if (int error = m_watcher.Watch(folder, path, data->item))
        m_events.Log(PGV_LOG_ERR,
                     "Cannot watch \"" + path + "\", it is not kept up to date: " + std::strerror(error));
}

void ShellTree::OnChangesReady() {
    std::vector<ShellChange> changes = m_watcher.ReadChanges();
    m_shell.SetVolumes(m_watcher.Volumes());
    for (const ShellChange& change : changes) {
        if (!IsCreated())
            return;
        HandleChange(change);
    }
}

void ShellTree::HandleChange(const ShellChange& change) {
    if (!m_events.UserMode())
        return;
    const bool files = m_props.showFiles;
    switch (change.event) {
    case SHCNE_MKDIR:
    case SHCNE_DRIVEADD:
        AddChangedItem(change.first);
        break;
    case SHCNE_CREATE:
        if (files)
            AddChangedItem(change.first);
        break;
    case SHCNE_RMDIR:
    case SHCNE_DRIVEREMOVED:
        RemoveChangedItem(change.first);
        break;
    case SHCNE_DELETE:
        if (files)
            RemoveChangedItem(change.first);
        break;
    case SHCNE_RENAMEFOLDER:
        RemoveChangedItem(change.first);
        AddChangedItem(change.second);
        break;
    case SHCNE_RENAMEITEM:
        if (files) {
            RemoveChangedItem(change.first);
            AddChangedItem(change.second);
        }
        break;
    case SHCNE_UPDATEDIR:
        UpdateChangedFolder(change.first);
        break;
    default:
        break;
    }
}

std::vector<TreeHandle> ShellTree::FilledMatching(const ItemIds& item) const {
    std::vector<TreeHandle> folders;
    for (TreeHandle folder : m_filled) {
        const ItemData* data = Data(folder);
        if (data && data->kind != NK_CUSTOM && SameItems(data->item, item))
            folders.push_back(folder);
    }
    return folders;
}

void ShellTree::AddChangedItem(const ItemIds& item) {
    if (item.empty())
        return;
    const ItemIds parent(item.begin(), item.end() - 1);
    const ItemId& entry = item.back();
    if ((entry.flags & IF_HIDDEN) && !m_props.showHiddenObjects)
        return;
    for (TreeHandle folder : FilledMatching(parent)) {
        if (!m_view.Exists(folder) || FindChild(folder, {}, &entry))
            continue;
        // The name is looked up again, so the entry says what it is now.
        ItemId fresh = entry;
        if ((entry.kind == IK_FOLDER || entry.kind == IK_FILE) &&
            !m_shell.ParseChild(parent, entry.payload, &fresh))
            return;
        ItemIds added = parent;
        added.push_back(fresh);
        InsertShellNode(folder, added, nullptr, false);
        if (!m_view.Exists(folder))
            continue;
        m_view.SetHasChildren(folder, true);
        SortChildren(folder);
        RecomputeChecks(folder);
    }
    if (parent.empty())
        return;
    const ItemIds grandparent(parent.begin(), parent.end() - 1);
    for (TreeHandle folder : FilledMatching(grandparent)) {
        if (TreeHandle child = FindChild(folder, {}, &parent.back()))
            m_view.SetHasChildren(child, true);
    }
}

void ShellTree::RemoveChangedItem(const ItemIds& item) {
    if (item.empty())
        return;
    const ItemIds parent(item.begin(), item.end() - 1);
    for (TreeHandle folder : FilledMatching(parent)) {
        while (TreeHandle child = FindChild(folder, {}, &item.back()))
            DeleteItem(child);
    }
}

void ShellTree::UpdateChangedFolder(const ItemIds& item) {
    for (TreeHandle folder : FilledMatching(item))
        RefreshFolder(folder);
    if (item.empty())
        return;
    const ItemIds parent(item.begin(), item.end() - 1);
    for (TreeHandle folder : FilledMatching(parent)) {
        TreeHandle child = FindChild(folder, {}, &item.back());
        if (child && !m_view.FirstChild(child))
            RefreshFolder(child);
    }
}

} // namespace pgv
