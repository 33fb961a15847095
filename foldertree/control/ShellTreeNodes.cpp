// Finding, adding and creating nodes of the tree window.
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/ShellTree.h"
#include "foldertree/shell/ShellIcons.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace pgv {
namespace {

constexpr const char16_t* kNewFolderName = u"New Folder";

std::u16string NumberedFolderName(int number) {
    return std::u16string(kNewFolderName) + u" (" + ax::Utf8ToUtf16(std::to_string(number)) + u")";
}

} // namespace

TreeHandle ShellTree::GetNode(const ItemIds& target, bool add) {
    TreeHandle node = RootItem();
    const ItemData* rootData = Data(node);
    if (!rootData)
        return 0;
    const ItemIds root = rootData->item;
    if (target.size() < root.size())
        return 0;
    for (size_t i = 0; i < root.size(); ++i) {
        if (!SameItem(target[i], root[i]))
            return 0;
    }
    for (size_t i = root.size(); i < target.size(); ++i) {
        if (!m_view.FirstChild(node)) {
            if (!add)
                return 0;
            m_view.Expand(node, TVE_EXPAND);
            if (!m_view.Exists(node))
                return 0;
        }
        TreeHandle child = FindChild(node, {}, &target[i]);
        if (!child) {
            const ItemIds prefix(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(i + 1));
            if (!add || !m_shell.Exists(prefix))
                return 0;
            child = InsertShellNode(node, prefix, nullptr, false);
            if (!child || !m_view.Exists(node))
                return 0;
            m_view.SetHasChildren(node, true);
            SortChildren(node);
        }
        node = child;
    }
    return node;
}

TreeHandle ShellTree::AddRootNode(const ItemIds* item, int32_t position) {
    if (!IsCreated())
        return 0;
    const std::vector<TreeHandle>& roots = m_view.Children(0);
    Placement placement;
    if (position == 0) {
        placement.place = TreePlace::FIRST;
    } else if (position > 0) {
        if (static_cast<size_t>(position) > roots.size())
            return 0;
        placement = {TreePlace::AFTER, roots[static_cast<size_t>(position) - 1]};
    } else if (position != -1) {
        return 0;
    }
    TreeHandle added =
        item && !item->empty() ? InsertShellNode(0, *item, &placement, false) : InsertDesktopNode(placement);
    if (added)
        FillChildren(added);
    return m_view.Exists(added) ? added : 0;
}

void ShellTree::RefreshView() {
    const ItemData* selected = Data(m_view.Selected());
    ItemIds reselect;
    bool hadSelection = selected && selected->kind != NK_CUSTOM;
    if (hadSelection)
        reselect = selected->item;
    Reroot(StoredRoot(), false);
    if (!hadSelection)
        return;
    if (TreeHandle node = GetNode(reselect, true))
        m_view.Select(node, TVC_UNKNOWN);
}

TreeHandle ShellTree::CreateNewFolder(TreeHandle item, std::u16string_view name, bool editNow) {
    const ItemData* data = Data(item);
    if (!data)
        return 0;
    constexpr uint32_t kFileSystemFolder = SFGAO_FILESYSTEM | SFGAO_FOLDER;
    if (data->kind != NK_DESKTOP &&
        (data->kind != NK_SHELL || m_shell.Attributes(data->item, kFileSystemFolder) != kFileSystemFolder))
        return 0;
    const ItemIds folder = data->item;
    ItemId created;
    int error = EINVAL;
    if (!name.empty()) {
        error = m_shell.CreateFolder(folder, name, &created);
    } else {
        for (int number = 0; number <= kNewFolderNumbers; ++number) {
            error = m_shell.CreateFolder(folder, number == 0 ? kNewFolderName : NumberedFolderName(number),
                                         &created);
            if (error != EEXIST)
                break;
        }
    }
    if (error != 0) {
        m_events.Log(PGV_LOG_ERR, "Cannot create a folder in \"" +
                                      ax::Utf16ToUtf8(DisplayName(item, SHGDN_FORPARSING)) +
                                      "\": " + std::strerror(error));
        return 0;
    }
    ItemIds added = folder;
    added.push_back(created);
    if (IsFilled(item))
        AddChangedItem(added);
    m_view.SetHasChildren(item, true);
    m_view.Expand(item, TVE_EXPAND);
    TreeHandle node = FindChild(item, {}, &created);
    if (node && editNow)
        m_view.BeginLabelEdit(node);
    return m_view.Exists(node) ? node : 0;
}

TreeHandle ShellTree::InsertCustomNode(TreeHandle relative, int32_t relation, std::u16string text,
                                       int32_t icon, int32_t selectedIcon) {
    if (!m_view.Exists(relative))
        return 0;
    if (relation < PGV_FIRSTSIBLING)
        relation = PGV_PREVIOUS;
    else if (relation > PGV_LASTCHILD)
        relation = PGV_NEXT;
    TreeHandle parent = m_view.Parent(relative);
    Placement placement;
    switch (relation) {
    case PGV_FIRSTSIBLING:
        placement.place = TreePlace::FIRST;
        break;
    case PGV_PREVIOUS:
        if (TreeHandle previous = m_view.PreviousSibling(relative))
            placement = {TreePlace::AFTER, previous};
        else
            placement.place = TreePlace::FIRST;
        break;
    case PGV_NEXT:
        placement = {TreePlace::AFTER, relative};
        break;
    case PGV_FIRSTCHILD:
    case PGV_LASTCHILD:
        parent = relative;
        placement.place = relation == PGV_FIRSTCHILD ? TreePlace::FIRST : TreePlace::LAST;
        m_view.SetHasChildren(relative, true);
        break;
    default:
        break;
    }
    const int32_t blank = m_images.MapSystemIndex(SI_BLANK_DOCUMENT);
    auto data = std::make_unique<ItemData>();
    data->kind = NK_CUSTOM;
    data->image = icon < 0 ? blank : icon;
    data->openImage = selectedIcon < 0 ? blank : selectedIcon;
    TreeItemInit init;
    init.text = std::move(text);
    init.image = data->image;
    init.selectedImage = data->openImage;
    if (m_props.showCheckBoxes)
        init.state = static_cast<uint32_t>(m_checks.InsertedChildIndex(parent, m_props.autoCheckChildren))
                     << kStateImageShift;
    return AddData(m_view.Insert(parent, placement.place, placement.after, init), std::move(data));
}

} // namespace pgv
