// The folder namespace the tree shows, built on the file system:
//
//   Desktop (the empty list; its folder is the XDG desktop folder)
//     Home ($HOME)
//     Computer
//       File System ("/")
//       one volume per mount point under /media, /run/media and /mnt
//     Trash (neither file system nor ancestor of one; always empty)
//     the entries of the desktop folder
//
// Items are addressed by decoded item-id lists (ItemIds). Attributes,
// enumeration flags and display-name flags keep the numbers hosts know.
// File names are bytes: a name that is not UTF-8 is shown with U+FFFD.
#pragma once

#include "foldertree/shell/ItemIdList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pgv {

enum ShellAttribute : uint32_t {
    SFGAO_CANCOPY = 0x1,
    SFGAO_CANMOVE = 0x2,
    SFGAO_CANLINK = 0x4,
    SFGAO_CANRENAME = 0x10,
    SFGAO_LINK = 0x10000,
    SFGAO_SHARE = 0x20000,
    SFGAO_HIDDEN = 0x80000,
    SFGAO_STREAM = 0x400000,
    SFGAO_VALIDATE = 0x1000000,
    SFGAO_FILESYSANCESTOR = 0x10000000,
    SFGAO_FOLDER = 0x20000000,
    SFGAO_FILESYSTEM = 0x40000000,
    SFGAO_HASSUBFOLDER = 0x80000000,
};

enum EnumFlags : uint32_t {
    SHCONTF_FOLDERS = 0x20,
    SHCONTF_NONFOLDERS = 0x40,
    SHCONTF_INCLUDEHIDDEN = 0x80,
};

enum DisplayNameFlags : uint32_t {
    SHGDN_NORMAL = 0,
    SHGDN_INFOLDER = 1,
    SHGDN_FOREDITING = 0x1000,
    SHGDN_FORADDRESSBAR = 0x4000,
    SHGDN_FORPARSING = 0x8000,
};

// Parsing names of the items without a folder.
constexpr std::string_view kComputerParsingName = "computer:///";
constexpr std::string_view kTrashParsingName = "trash:///";

struct NamespaceRoots {
    std::string desktop;
    std::string home;
    std::vector<std::string> volumes;
};

enum ParseMode {
    PM_EXISTING, // every component must exist
    PM_LEXICAL,  // missing components are taken as folders
};

class ShellNamespace {
  public:
    ShellNamespace() = default;
    explicit ShellNamespace(NamespaceRoots roots);
    // The desktop and home folders of the XDG settings and the volumes of
    // the mount table.
    static ShellNamespace FromEnvironment();

    const NamespaceRoots& Roots() const { return m_roots; }
    void SetVolumes(std::vector<std::string> volumes) { m_roots.volumes = std::move(volumes); }

    // The file-system path of an item; false for Computer and Trash.
    bool PathOf(const ItemIds& item, std::string* path) const;
    // The display name of an item (the desktop's for the empty list).
    std::u16string DisplayName(const ItemIds& item, uint32_t flags) const;
    // The attributes among `requested` (SFGAO values) the item has; 0 for an
    // item that no longer exists. SFGAO_HASSUBFOLDER looks into the folder,
    // so it is only answered when asked for.
    uint32_t Attributes(const ItemIds& item, uint32_t requested) const;
    bool Exists(const ItemIds& item) const;

    // An absolute path (or the parsing name of Computer or Trash) as an
    // item: "." dropped, ".." resolved by the text, repeated and trailing
    // '/' ignored, then routed by the longest folder that holds it: the
    // desktop folder (for what lies below it; the folder itself is not the
    // desktop), then the home folder, then a volume, else File System.
    // False for a relative path, a component with NUL or over 255 bytes, or
    // (PM_EXISTING) a component that does not exist.
    bool Parse(std::string_view path, ParseMode mode, ItemIds* item) const;
    // The entry of `name` inside `folder` as it is now (kind and flags from
    // the file system); false when it is gone or no file name.
    bool ParseChild(const ItemIds& folder, const std::string& name, ItemId* child) const;

    // The children of a folder (SHCONTF flags); 0 or an errno value.
    int Enumerate(const ItemIds& folder, uint32_t flags, std::vector<ItemId>* children) const;

    // The order of two children of one folder: virtual items first, then
    // volumes ("File System" first), folders, files; names in CompareNames
    // order.
    static int CompareIds(const ItemId& a, const ItemId& b);

    // Renames an item inside its folder, never replacing an existing entry;
    // 0 with the new entry, or an errno value (EINVAL for a name
    // IsValidNewName refuses, EEXIST when the name is taken).
    int Rename(const ItemIds& item, std::u16string_view newName, ItemId* renamed) const;
    // Creates a folder `name` (one component) inside `folder`; 0 with its
    // entry, or an errno value.
    int CreateFolder(const ItemIds& folder, std::u16string_view name, ItemId* created) const;

  private:
    bool RouteTo(const std::string& path, ItemIds* base, std::string* rest) const;

    NamespaceRoots m_roots;
};

// A name the user may give an item: one component, not "." or "..",
// without '/' or NUL, not empty.
bool IsValidNewName(std::u16string_view name);
// A compressed archive by its name (".zip", any case): listed and changed
// with the folders.
bool IsZipName(std::string_view name);
// Whether the bytes of a name or path are UTF-8 (names that are not are
// shown with U+FFFD and are not offered as shares).
bool IsUtf8(std::string_view bytes);

} // namespace pgv
