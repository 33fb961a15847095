// The shell's commands on the tree's items: opening, the clipboard, paste,
// links, the Trash and renaming, with the tree brought up to date at once
// for what they changed on disk.
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/ShellTree.h"
#include "foldertree/dragdrop/DropTarget.h"
#include "foldertree/shell/Clipboard.h"
#include "foldertree/shell/FileOperations.h"
#include "foldertree/shell/ShellLauncher.h"
#include "foldertree/shell/Trash.h"

#include "platform/time/Clock.h"

#include <cstring>

namespace pgv {
namespace {

constexpr uint32_t kAllVerbs = CMF_EXPLORE | CMF_CANRENAME | CMF_EXTENDEDVERBS;
constexpr const char16_t* kTrashCaption = u"Move to Trash";
constexpr const char16_t* kMoveCaption = u"Move";

std::string ParentPath(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

std::vector<ShellVerb> ShellTree::VerbsFor(TreeHandle item, uint32_t flags) const {
    const ItemData* data = Data(item);
    if (!data || data->kind == NK_CUSTOM)
        return {};
    std::vector<ItemIds> clipboard;
    bool cut = false;
    return ShellVerbsFor(m_shell, data->item, flags, Clipboard::Instance().Items(&clipboard, &cut));
}

bool ShellTree::RunShellCommand(TreeHandle item, const std::u16string& verb) {
    return !m_events.FireShellCommand(verb) && m_view.Exists(item) && InvokeVerb(item, verb);
}

bool ShellTree::InvokeVerb(TreeHandle item, std::u16string_view verb) {
    const std::vector<ShellVerb> verbs = VerbsFor(item, kAllVerbs);
    auto offered = std::find_if(verbs.begin(), verbs.end(), [&](const ShellVerb& entry) {
        return !entry.verb.empty() && !entry.disabled && IsVerb(entry.verb, verb);
    });
    if (offered == verbs.end())
        return false;
    const ItemIds ids = Data(item)->item;
    std::string path;
    m_shell.PathOf(ids, &path);
    const std::u16string& name = offered->verb;
    if (name == u"open")
        return OpenItem(ids, false);
    if (name == u"explore")
        return OpenItem(ids, true);
    if (name == u"cut" || name == u"copy") {
        Clipboard::Instance().SetItems({ids}, name == u"cut");
        if (name == u"cut")
            ShowCut(item);
        return true;
    }
    if (name == u"copyaspath") {
        Clipboard::Instance().SetText(path);
        return true;
    }
    if (name == u"paste")
        return PasteInto(ids);
    if (name == u"link") {
        std::string created;
        if (int error = LinkInto(path, ParentPath(path), LinkName(path), &created)) {
            m_events.Log(PGV_LOG_ERR, "Cannot create a link to \"" + path + "\": " + std::strerror(error));
            return false;
        }
        PathsChanged({created}, {});
        return true;
    }
    if (name == u"delete")
        return TrashItem(item, ids);
    if (name == u"rename")
        return m_view.BeginLabelEdit(item);
    return false;
}

bool ShellTree::OpenItem(const ItemIds& item, bool folder) {
    std::string target;
    if (!m_shell.PathOf(item, &target))
        target = ax::Utf16ToUtf8(m_shell.DisplayName(item, SHGDN_FORPARSING));
    else if (folder && !(m_shell.Attributes(item, SFGAO_FOLDER) & SFGAO_FOLDER))
        target = ParentPath(target);
    if (int error = OpenWithDesktop(target)) {
        m_events.Log(PGV_LOG_ERR, "Cannot open \"" + target + "\": " + std::strerror(error));
        return false;
    }
    return true;
}

bool ShellTree::PasteInto(const ItemIds& folder) {
    std::string target;
    std::vector<ItemIds> items;
    bool cut = false;
    if (!m_shell.PathOf(folder, &target) || !Clipboard::Instance().Items(&items, &cut))
        return false;
    std::vector<std::string> added;
    std::vector<ItemIds> removed;
    bool complete = true;
    for (const ItemIds& item : items) {
        std::string source, placed;
        if (!m_shell.PathOf(item, &source)) {
            complete = false;
            continue;
        }
        LeftBehind left;
        int error = cut ? MoveInto(source, target, &placed, &left) : CopyInto(source, target, &placed);
        if (error != 0) {
            m_events.Log(PGV_LOG_ERR, "Cannot " + std::string(cut ? "move" : "copy") + " \"" + source +
                                          "\" to \"" + target + "\": " + FileErrorText(error));
            complete = false;
            continue;
        }
        added.push_back(placed);
        if (left.error != 0)
            WarnLeftBehind(left, false);
        else if (cut && placed != source)
            removed.push_back(item);
    }
    // What was moved is no longer on the clipboard.
    if (cut && complete)
        Clipboard::Instance().Clear();
    PathsChanged(added, removed);
    return complete;
}

bool ShellTree::TrashItem(TreeHandle item, const ItemIds& ids) {
    std::string path;
    if (!m_shell.PathOf(ids, &path))
        return false;
    if (m_props.showUIDialogs) {
        std::u16string text =
            u"Are you sure you want to move \"" + DisplayName(item, SHGDN_INFOLDER) + u"\" to the Trash?";
        if (!m_events.Confirm(text, kTrashCaption))
            return false;
    }
    std::string trashed;
    LeftBehind left;
    if (int error = MoveToTrash(path, HomeTrashFolder(), platform::WallSeconds(), &trashed, &left)) {
        m_events.Log(PGV_LOG_ERR, "Cannot move \"" + path + "\" to the Trash: " + FileErrorText(error));
        return false;
    }
    if (left.error != 0)
        WarnLeftBehind(left, true);
    else
        PathsChanged({}, {ids});
    return true;
}

void ShellTree::PathsChanged(const std::vector<std::string>& added, const std::vector<ItemIds>& removed) {
    for (const ItemIds& item : removed)
        RemoveChangedItem(item);
    for (const std::string& path : added) {
        ItemIds item;
        if (IsCreated() && m_shell.Parse(path, PM_EXISTING, &item))
            AddChangedItem(item);
    }
}

void ShellTree::WarnLeftBehind(const LeftBehind& left, bool intoTrash) {
    const std::string text = "Moved \"" + left.source + "\" to \"" + left.target + "\", but \"" + left.path +
                             "\" could not be removed: " + std::strerror(left.error);
    m_events.Log(PGV_LOG_ERR, text);
    if (m_props.showUIDialogs)
        m_events.Notify(ax::Utf8ToUtf16(text), intoTrash ? kTrashCaption : kMoveCaption);
}

void ShellTree::ShowCut(TreeHandle item) {
    if (!m_view.State(item, TVIS_CUT)) {
        m_view.SetState(item, TVIS_CUT, TVIS_CUT);
        m_cutItems.push_back(item);
    }
    if (!m_clipboardListener)
        m_clipboardListener = Clipboard::Instance().Listen([this] { ClearCutLook(); });
}

void ShellTree::ClearCutLook() {
    if (m_clipboardListener)
        Clipboard::Instance().Unlisten(m_clipboardListener);
    m_clipboardListener = 0;
    for (TreeHandle item : m_cutItems)
        m_view.SetState(item, 0, TVIS_CUT);
    m_cutItems.clear();
}

bool ShellTree::IsShownCut(TreeHandle item) const {
    return std::find(m_cutItems.begin(), m_cutItems.end(), item) != m_cutItems.end() && m_view.Exists(item);
}

} // namespace pgv
