#include "foldertree/control/Utilities.h"

#include "foldertree/automation/Utf16.h"
#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/control/Picture.h"
#include "foldertree/shell/PidlText.h"
#include "foldertree/shell/ShellAllocator.h"
#include "foldertree/shell/ShellIcons.h"
#include "foldertree/shell/SpecialFolders.h"
#include "foldertree/shell/WildCard.h"

#include <new>

namespace pgv {

using ax::HRESULT;
using ax::Variant;

namespace {

constexpr uint16_t kNullParameterError = 1000;
constexpr const char16_t* kNullParameterText = u"Parameter cannot be null";
constexpr size_t kSizeFieldBytes = 2;

#define PGV_HANDLER_CLASS CUtilities
constexpr ax::DispHandlers<CUtilities> kHandlers[] = {PGV_UTILITIES_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

// The offset of the last entry of a well-formed list.
size_t LastEntryOffset(const ItemIdList& bytes) {
    size_t offset = 0, last = 0;
    while (offset + kSizeFieldBytes < bytes.size()) {
        last = offset;
        offset += static_cast<size_t>(bytes[offset]) | static_cast<size_t>(bytes[offset + 1]) << 8;
    }
    return last;
}

} // namespace

CUtilities::CUtilities(CPathgroveCtrl* control)
    : DispatchObject(utilities_members::kTable, kHandlers, IID_IUtilities), m_control(control) {}

bool CUtilities::Lookup(const Variant& arg, uint64_t* handle, ItemIdList* bytes) const {
    bytes->clear();
    if (!HandleFromR8(arg.dblVal, handle))
        return false;
    return *handle == 0 || ShellAllocator::Instance().Find(*handle, bytes);
}

CUtilities::ItemArgument CUtilities::LookupItem(const Variant& arg, ItemIds* item) const {
    uint64_t handle = 0;
    ItemIdList bytes;
    item->clear();
    if (!Lookup(arg, &handle, &bytes))
        return IA_UNKNOWN;
    if (handle == 0)
        return IA_NONE;
    return DecodeItemIdList(bytes.data(), bytes.size(), item) ? IA_ITEM : IA_OTHER;
}

HRESULT CUtilities::StoreResult(Variant* result, const ItemIdList& bytes) const {
    return ax::SetResult(result, HandleToR8(ShellAllocator::Instance().Store(bytes)));
}

ShellNamespace CUtilities::Namespace() const {
    return m_control ? m_control->Namespace() : ShellNamespace::FromEnvironment();
}

int32_t CUtilities::MappedIcon(int32_t systemIndex) {
    return m_control ? m_control->MapSystemIcon(systemIndex) : -1;
}

HRESULT CUtilities::CallGetDisplayNameFromPIDL(Variant* args, Variant* result) {
    ItemIds item;
    ItemArgument found = LookupItem(args[0], &item);
    if (found == IA_UNKNOWN)
        return ax::E_INVALIDARG;
    if (found != IA_ITEM)
        return ax::SetResult(result, std::u16string_view());
    const ShellNamespace shell = Namespace();
    return ax::SetResult(result, shell.DisplayName(item, static_cast<uint32_t>(args[1].lVal)));
}

HRESULT CUtilities::CallGetShellIconFromPIDL(Variant* args, Variant* result) {
    ItemIds item;
    ItemArgument found = LookupItem(args[0], &item);
    if (found == IA_UNKNOWN)
        return ax::E_INVALIDARG;
    int32_t pixels = ShellIconPixels(args[1].lVal);
    if (found != IA_ITEM || pixels == 0)
        return ax::SetResult(result, static_cast<ax::IDispatch*>(nullptr));
    int32_t index = SystemIconIndex(item, false);
    return ax::SetResult(result, new (std::nothrow)
                                     CPgvPicture(index, SystemImageList::Instance().NameAt(index), pixels));
}

HRESULT CUtilities::CallGetSpecialFolderPIDL(Variant* args, Variant* result) {
    ItemIds item;
    const ShellNamespace shell = Namespace();
    if (args[0].lVal == CSIDL_DESKTOP || !SpecialFolderItem(shell, args[0].lVal, &item))
        return ax::SetResult(result, 0.0);
    return StoreResult(result, EncodeItemIdList(item));
}

HRESULT CUtilities::CallPIDLCompare(Variant* args, Variant* result) {
    ItemIds itemA, itemB;
    ItemArgument first = LookupItem(args[0], &itemA), second = LookupItem(args[1], &itemB);
    if (first == IA_UNKNOWN || second == IA_UNKNOWN)
        return ax::E_INVALIDARG;
    if (first != IA_ITEM || second != IA_ITEM)
        return ax::SetResult(result, int32_t{0});
    for (size_t i = 0; i < itemA.size() && i < itemB.size(); ++i) {
        if (int order = ShellNamespace::CompareIds(itemA[i], itemB[i]))
            return ax::SetResult(result, int32_t{order < 0 ? -1 : 1});
    }
    int32_t order = itemA.size() == itemB.size() ? 0 : itemA.size() < itemB.size() ? -1 : 1;
    return ax::SetResult(result, order);
}

HRESULT CUtilities::CallPIDLConcat(Variant* args, Variant* result) {
    uint64_t first = 0, second = 0;
    ItemIdList a, b;
    if (!Lookup(args[0], &first, &a) || !Lookup(args[1], &second, &b))
        return ax::E_INVALIDARG;
    if (first == 0 || second == 0 || a.size() < kSizeFieldBytes)
        return ax::SetResult(result, 0.0);
    ItemIdList joined(a.begin(), a.end() - kSizeFieldBytes);
    joined.insert(joined.end(), b.begin(), b.end());
    if (!IsWellFormedItemIdList(joined.data(), joined.size()))
        return ax::SetResult(result, 0.0);
    return StoreResult(result, joined);
}

HRESULT CUtilities::CallPIDLCopy(Variant* args, Variant* result) {
    uint64_t handle = 0;
    ItemIdList bytes;
    if (!Lookup(args[0], &handle, &bytes))
        return ax::E_INVALIDARG;
    return handle == 0 ? ax::SetResult(result, 0.0) : StoreResult(result, bytes);
}

// A handle that is not alive (never was, or freed already) is ignored.
HRESULT CUtilities::CallPIDLFree(Variant* args, Variant*) {
    uint64_t handle = 0;
    if (HandleFromR8(args[0].dblVal, &handle) && handle != 0)
        ShellAllocator::Instance().Free(handle);
    return ax::S_OK;
}

HRESULT CUtilities::CallPIDLFromPath(Variant* args, Variant* result) {
    ItemIds item;
    const ShellNamespace shell = Namespace();
    std::string path = ax::Utf16ToUtf8(ax::BstrView(args[0].bstrVal));
    if (path.empty() || !shell.Parse(path, PM_EXISTING, &item))
        return ax::SetResult(result, 0.0);
    return StoreResult(result, EncodeItemIdList(item));
}

HRESULT CUtilities::CallPIDLEncode(Variant* args, Variant* result) {
    uint64_t handle = 0;
    ItemIdList bytes;
    if (!Lookup(args[0], &handle, &bytes))
        return ax::E_INVALIDARG;
    return ax::SetResult(result, EncodePidlText(bytes));
}

// Only text whose bytes are a whole list, terminator at the very end,
// gives a list.
HRESULT CUtilities::CallPIDLDecode(Variant* args, Variant* result) {
    ItemIdList bytes;
    std::u16string_view text = ax::BstrView(args[0].bstrVal);
    if (text.empty() || !DecodePidlText(text, &bytes) || !IsWellFormedItemIdList(bytes.data(), bytes.size()))
        return ax::SetResult(result, 0.0);
    return StoreResult(result, bytes);
}

HRESULT CUtilities::CallGetSystemIconIndexFromExtension(Variant* args, Variant* result) {
    std::string extension = ax::Utf16ToUtf8(ax::BstrView(args[0].bstrVal));
    if (extension.empty() || extension.find('/') != std::string::npos)
        return ax::SetResult(result, int32_t{-1});
    std::string name = "x" + (extension[0] == '.' ? extension : "." + extension);
    return ax::SetResult(result, MappedIcon(SystemIconIndex({NameId(IK_FILE, name, 0)}, false)));
}

HRESULT CUtilities::CallGetSystemIconIndexFromPath(Variant* args, Variant* result) {
    ItemIds item;
    const ShellNamespace shell = Namespace();
    std::string path = ax::Utf16ToUtf8(ax::BstrView(args[0].bstrVal));
    if (path.empty() || !shell.Parse(path, PM_EXISTING, &item))
        return ax::SetResult(result, int32_t{-1});
    return ax::SetResult(result, MappedIcon(SystemIconIndex(item, false)));
}

HRESULT CUtilities::CallGetStandardSystemIconIndex(Variant* args, Variant* result) {
    int32_t system = -1;
    switch (args[0].lVal) {
    case SIT_DOCUMENT:
        system = SI_BLANK_DOCUMENT;
        break;
    case SIT_APPLICATION:
        system = SystemIconIndex({NameId(IK_FILE, "x.exe", 0)}, false);
        break;
    case SIT_FOLDER:
        system = SI_FOLDER;
        break;
    case SIT_FOLDER_OPEN:
        system = SI_FOLDER_OPEN;
        break;
    default:
        return ax::SetResult(result, int32_t{-1});
    }
    return ax::SetResult(result, MappedIcon(system));
}

// args: PIDL, then the parent and the child by reference.
HRESULT CUtilities::CallPIDLSplit(Variant* args, Variant*) {
    if (!ax::IsArgumentGiven(args[1]) || !ax::IsArgumentGiven(args[2]))
        return ax::RaiseError(kNullParameterError, kNullParameterText);
    uint64_t handle = 0;
    ItemIdList bytes;
    if (!Lookup(args[0], &handle, &bytes) ||
        (handle != 0 && !IsWellFormedItemIdList(bytes.data(), bytes.size())))
        return ax::E_INVALIDARG;
    double parent = 0, child = 0;
    if (bytes.size() > kSizeFieldBytes) {
        size_t last = LastEntryOffset(bytes);
        if (last > 0) {
            ItemIdList head(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(last));
            head.insert(head.end(), kSizeFieldBytes, 0);
            parent = HandleToR8(ShellAllocator::Instance().Store(head));
        }
        ItemIdList tail(bytes.begin() + static_cast<std::ptrdiff_t>(last), bytes.end());
        child = HandleToR8(ShellAllocator::Instance().Store(tail));
    }
    ax::StoreByRef(args[1], ax::MakeR8(parent));
    ax::StoreByRef(args[2], ax::MakeR8(child));
    return ax::S_OK;
}

// 0 is the desktop here.
HRESULT CUtilities::CallPathFromPIDL(Variant* args, Variant* result) {
    ItemIds item;
    ItemArgument named = LookupItem(args[0], &item);
    if (named == IA_UNKNOWN)
        return ax::E_INVALIDARG;
    std::string path;
    bool found = named != IA_OTHER && Namespace().PathOf(item, &path);
    return ax::SetResult(result, found ? ax::Utf8ToUtf16(path) : std::u16string());
}

HRESULT CUtilities::CallGetSpecialFolderPath(Variant* args, Variant* result) {
    ItemIds item;
    const ShellNamespace shell = Namespace();
    std::string path;
    bool found = SpecialFolderItem(shell, args[0].lVal, &item) && shell.PathOf(item, &path);
    return ax::SetResult(result, found ? ax::Utf8ToUtf16(path) : std::u16string());
}

HRESULT CUtilities::CallDoesFilenameMatchWildCard(Variant* args, Variant* result) {
    return ax::SetBoolResult(result,
                             MatchesWildCard(ax::BstrView(args[0].bstrVal), ax::BstrView(args[1].bstrVal)));
}

} // namespace pgv
