#include "foldertree/shell/ShellVerbs.h"

#include "foldertree/automation/Utf16.h"

namespace pgv {
namespace {

struct VerbText {
    const char16_t* verb;
    const char16_t* caption;
    const char16_t* help;
};

constexpr VerbText kOpen = {u"open", u"&Open", u"Opens the selected item."};
constexpr VerbText kExplore = {u"explore", u"Open &Folder", u"Shows the folder of the selected item."};
constexpr VerbText kCut = {u"cut", u"Cu&t", u"Removes the selected item and puts it on the clipboard."};
constexpr VerbText kCopy = {u"copy", u"&Copy", u"Puts the selected item on the clipboard."};
constexpr VerbText kCopyAsPath = {u"copyaspath", u"Copy as &Path",
                                  u"Puts the path of the selected item on the clipboard."};
constexpr VerbText kPaste = {u"paste", u"&Paste",
                             u"Puts the items of the clipboard into the selected folder."};
constexpr VerbText kLink = {u"link", u"Create &Link", u"Creates a link to the selected item beside it."};
constexpr VerbText kDelete = {u"delete", u"&Move to Trash", u"Moves the selected item to the Trash."};
constexpr VerbText kRename = {u"rename", u"Rena&me", u"Renames the selected item."};

void Add(std::vector<ShellVerb>* verbs, const VerbText& text, bool disabled = false) {
    verbs->push_back({text.verb, text.caption, text.help, disabled});
}

void Separate(std::vector<ShellVerb>* verbs) {
    if (!verbs->empty() && !verbs->back().verb.empty())
        verbs->push_back({});
}

} // namespace

std::vector<ShellVerb> ShellVerbsFor(const ShellNamespace& shell, const ItemIds& item, uint32_t flags,
                                     bool canPaste) {
    std::vector<ShellVerb> verbs;
    if (!shell.Exists(item))
        return verbs;
    const uint32_t attributes = shell.Attributes(item, SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK |
                                                           SFGAO_CANRENAME | SFGAO_FOLDER | SFGAO_FILESYSTEM);
    std::string path;
    const bool hasPath = shell.PathOf(item, &path);
    Add(&verbs, kOpen);
    if (hasPath && (flags & CMF_EXPLORE))
        Add(&verbs, kExplore);
    Separate(&verbs);
    if (attributes & SFGAO_CANMOVE)
        Add(&verbs, kCut);
    if (attributes & SFGAO_CANCOPY)
        Add(&verbs, kCopy);
    if (hasPath && (flags & CMF_EXTENDEDVERBS))
        Add(&verbs, kCopyAsPath);
    if (hasPath && (attributes & SFGAO_FOLDER) && (attributes & SFGAO_FILESYSTEM))
        Add(&verbs, kPaste, !canPaste);
    Separate(&verbs);
    if (hasPath && (attributes & SFGAO_CANLINK))
        Add(&verbs, kLink);
    if (attributes & SFGAO_CANMOVE)
        Add(&verbs, kDelete);
    if ((flags & CMF_CANRENAME) && (attributes & SFGAO_CANRENAME))
        Add(&verbs, kRename);
    if (!verbs.empty() && verbs.back().verb.empty())
        verbs.pop_back();
    return verbs;
}

bool IsVerb(std::u16string_view verb, std::u16string_view name) {
    return ax::EqualsNoCase(verb, name);
}

} // namespace pgv
