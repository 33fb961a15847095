#include "foldertree/control/ShellTree.h"

#include "foldertree/automation/Utf16.h"
#include "foldertree/control/TreeCallback.h"
#include "foldertree/shell/MountTable.h"
#include "foldertree/shell/ShellAllocator.h"
#include "foldertree/shell/ShellIcons.h"

#include <atomic>
#include <cstring>
#include <new>

namespace pgv {
namespace {

// What an inserted item is asked for: has-subfolder (only when the setting
// asks), file system, folder, file-system ancestor, stream, hidden, share
// and link.
constexpr uint32_t kInsertAttributes = SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_FILESYSANCESTOR |
                                       SFGAO_STREAM | SFGAO_HIDDEN | SFGAO_SHARE | SFGAO_LINK;

std::atomic<int32_t> g_nextWindowHandle{0x10000};

} // namespace

ItemData::~ItemData() {
    ax::VariantClear(&userData);
}

ShellTree::ShellTree(PathgroveProps& props, TreeImages& images, ShellTreeEvents& events)
    : m_props(props), m_images(images), m_events(events), m_view(this),
      m_checks(m_view, CheckBoxes::Hooks{
                           [this](TreeHandle item) { m_events.FireNode(PGVE_ONQUERYNODECHECKSTATE, item); },
                           [this](TreeHandle item) {
                               const ItemData* data = Data(item);
                               return data && data->offersShare;
                           }}) {}

ShellTree::~ShellTree() {
    Destroy();
}

void ShellTree::Create(const PgvRect& rect, IPgvUiLoop* loop) {
    if (IsCreated())
        return;
    m_windowHandle = g_nextWindowHandle++;
    m_loop = ax::ComPtr<IPgvUiLoop>(loop);
    // Without a callback the loop refuses the timer or the watch.
    m_timerCallback =
        ax::ComPtr<TreeCallback>::Attach(new (std::nothrow) TreeCallback(this, TCK_SELECTION_TIMER));
    m_watchCallback = ax::ComPtr<TreeCallback>::Attach(new (std::nothrow) TreeCallback(this, TCK_CHANGES));
    m_scrollCallback =
        ax::ComPtr<TreeCallback>::Attach(new (std::nothrow) TreeCallback(this, TCK_SCROLL_TIMER));
    m_hoverCallback =
        ax::ComPtr<TreeCallback>::Attach(new (std::nothrow) TreeCallback(this, TCK_HOVER_TIMER));
    Resize(rect);
    m_images.Rebuild(m_props.shellImageListType);
    ApplyStyle();
    ApplyLook();
    m_shell = ShellNamespace::FromEnvironment();
    if (m_props.autoUpdate && !SetAutoUpdate(true))
        m_props.autoUpdate = false;

    std::u16string path;
    uint64_t block = 0;
    m_events.FireInitialize(&path, &block);
    if (!IsCreated())
        return;
    ItemIds root;
    bool named = !path.empty() && ParsePath(path, &root);
    ItemIdList bytes;
    if (!named && block && ShellAllocator::Instance().Find(block, &bytes))
        named = DecodeItemIdList(bytes.data(), bytes.size(), &root);
    // The control owns a list the host named, whether it used it or not.
    if (block)
        ShellAllocator::Instance().Free(block);
    Reroot(named ? root : StoredRoot(), named);
}

void ShellTree::Destroy() {
    if (!IsCreated())
        return;
    StopSelectionTimer();
    EndDrag();
    ClearCutLook();
    SetAutoUpdate(false);
    // The window goes without telling the host about each item.
    m_windowHandle = 0;
    m_view.DeleteAll();
    m_data.clear();
    m_filled.clear();
    m_rootItem = m_lastInserted = 0;
    for (ax::ComPtr<TreeCallback>* callback :
         {&m_timerCallback, &m_watchCallback, &m_scrollCallback, &m_hoverCallback}) {
        if (*callback)
            (*callback)->Detach();
        callback->Reset();
    }
    m_loop.Reset();
}

void ShellTree::Resize(const PgvRect& rect) {
    m_rect = rect;
    m_view.SetClientSize(rect.right - rect.left, rect.bottom - rect.top);
}

void ShellTree::ApplyStyle() {
    m_view.SetStyle(TreeStyleBits(m_props));
    m_view.Invalidate();
}

void ShellTree::ApplyLook() {
    TreeGeometry& geometry = m_view.Geometry();
    geometry.iconSize = m_images.IconSize();
    geometry.itemHeight = m_images.ItemHeight();
    geometry.indent = m_props.indent;
    geometry.stateImageWidth = m_images.States().cellWidth;
    m_view.Invalidate();
}

ItemIds ShellTree::StoredRoot() const {
    ItemIds root;
    if (!m_props.root.empty() && !DecodeItemIdList(m_props.root.data(), m_props.root.size(), &root))
        root.clear();
    return root;
}

void ShellTree::Reroot(const ItemIds& root, bool store) {
    if (!IsCreated())
        return;
    if (store)
        m_events.StoreRoot(root.empty() ? ItemIdList() : EncodeItemIdList(root));
    m_view.SetRedraw(false);
    m_view.DeleteAll();
    m_lastInserted = 0;
    if (root.empty()) {
        m_rootItem = InsertDesktopNode(Placement{});
        FillChildren(m_rootItem);
    } else {
        m_rootItem = InsertShellNode(0, root, nullptr, true);
        m_view.SetHasChildren(m_rootItem, true);
    }
    // With ExpandSelectedNode the root is selected but not expanded.
    const uint32_t style = m_view.Style();
    m_view.SetStyle(style & ~TVS_SINGLEEXPAND);
    if (m_view.Exists(m_rootItem) && m_view.Select(m_rootItem, TVC_UNKNOWN) && !m_props.expandSelectedNode)
        m_view.Expand(m_rootItem, TVE_EXPAND);
    m_view.SetStyle(style);
    m_view.SetRedraw(true);
    m_view.Invalidate();
}

bool ShellTree::ParsePath(std::u16string_view path, ItemIds* item) const {
    return !path.empty() && m_shell.Parse(ax::Utf16ToUtf8(path), PM_EXISTING, item);
}

uint32_t ShellTree::EnumFlags() const {
    uint32_t flags = SHCONTF_FOLDERS;
    if (m_props.showFiles)
        flags |= SHCONTF_NONFOLDERS;
    if (m_props.showHiddenObjects)
        flags |= SHCONTF_INCLUDEHIDDEN;
    return flags;
}

TreeHandle ShellTree::AddData(TreeHandle item, std::unique_ptr<ItemData> data) {
    if (!item)
        return 0;
    m_data[item] = std::move(data);
    m_lastInserted = item;
    m_events.FireNode(PGVE_ONAFTERNODEADD, item);
    return m_view.Exists(item) ? item : 0;
}

TreeHandle ShellTree::InsertDesktopNode(const Placement& placement) {
    auto data = std::make_unique<ItemData>();
    data->kind = NK_DESKTOP;
    data->image = m_images.MapSystemIndex(SystemIconIndex({}, false));
    data->openImage = data->image;
    TreeItemInit init;
    init.text = m_shell.DisplayName({}, SHGDN_INFOLDER);
    init.image = init.selectedImage = data->image;
    init.hasChildren = true;
    if (m_props.showCheckBoxes)
        init.state = static_cast<uint32_t>(CS_UNCHECKED) << kStateImageShift;
    return AddData(m_view.Insert(0, placement.place, placement.after, init), std::move(data));
}

TreeHandle ShellTree::InsertShellNode(TreeHandle parent, const ItemIds& item, const Placement* placement,
                                      bool force) {
    uint32_t attributes = m_shell.Attributes(item, kInsertAttributes | SubfolderQuery());
    if (attributes == 0 && !m_shell.Exists(item))
        return 0;
    if (!force && !m_props.showSpecialFolders && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return 0;
    auto data = std::make_unique<ItemData>();
    data->item = item;
    std::string path;
    data->offersShare = !m_shell.PathOf(item, &path) || IsUtf8(path);
    data->image = m_images.MapSystemIndex(SystemIconIndex(item, false));
    data->openImage =
        (attributes & SFGAO_FOLDER) ? m_images.MapSystemIndex(SystemIconIndex(item, true)) : data->image;

    TreeItemInit init;
    init.text = m_shell.DisplayName(item, SHGDN_INFOLDER);
    init.image = data->image;
    init.selectedImage = data->openImage;
    int32_t overlay = 0;
    if (attributes & SFGAO_LINK)
        overlay = m_images.LibraryOverlayNumber(LO_SHORTCUT);
    else if (attributes & SFGAO_SHARE)
        overlay = m_images.LibraryOverlayNumber(LO_SHARE);
    init.state = static_cast<uint32_t>(overlay) << kOverlayShift;
    if (attributes & SFGAO_HIDDEN)
        init.state |= TVIS_CUT;
    if (m_props.showCheckBoxes && data->offersShare)
        init.state |= static_cast<uint32_t>(m_checks.InsertedChildIndex(parent, m_props.autoCheckChildren))
                      << kStateImageShift;
    init.hasChildren = ShowsButton(attributes);

    Placement place;
    if (placement)
        place = *placement;
    else if (m_lastInserted && m_view.Exists(m_lastInserted) && m_view.Parent(m_lastInserted) == parent)
        place = {TreePlace::AFTER, m_lastInserted};
    return AddData(m_view.Insert(parent, place.place, place.after, init), std::move(data));
}

void ShellTree::FillChildren(TreeHandle folder) {
    const ItemData* data = Data(folder);
    if (!data || data->kind == NK_CUSTOM)
        return;
    const ItemIds base = data->item;
    std::vector<ItemId> children;
    if (int error = m_shell.Enumerate(base, EnumFlags(), &children))
        m_events.Log(PGV_LOG_ERR, "Cannot list \"" + ax::Utf16ToUtf8(DisplayName(folder, SHGDN_FORPARSING)) +
                                      "\": " + std::strerror(error));
    int inserted = 0;
    for (const ItemId& entry : children) {
        if (!m_view.Exists(folder))
            return;
        ItemIds item = base;
        item.push_back(entry);
        if (InsertShellNode(folder, item, nullptr, false))
            ++inserted;
    }
    if (!m_view.Exists(folder))
        return;
    if (inserted > 0)
        SortChildren(folder);
    m_view.SetHasChildren(folder, m_view.FirstChild(folder) != 0);
    if (m_view.FirstChild(folder))
        MarkFilled(folder);
    RecomputeChecks(folder);
}

void ShellTree::MarkFilled(TreeHandle folder) {
    if (m_filled.insert(folder).second)
        Watch(folder);
}

void ShellTree::SortChildren(TreeHandle parent) {
    m_view.SortChildren(parent, [this](TreeHandle a, TreeHandle b) {
        const ItemData* first = Data(a);
        const ItemData* second = Data(b);
        bool customA = !first || first->kind == NK_CUSTOM;
        bool customB = !second || second->kind == NK_CUSTOM;
        if (customA || customB)
            return customA && !customB;
        if (first->item.empty() || second->item.empty())
            return first->item.empty() && !second->item.empty();
        return ShellNamespace::CompareIds(first->item.back(), second->item.back()) < 0;
    });
}

uint32_t ShellTree::SubfolderQuery() const {
    return m_props.queryHasSubFolders ? static_cast<uint32_t>(SFGAO_HASSUBFOLDER) : 0u;
}

// A folder that is not a compressed archive, unless archives count as
// folders.
bool ShellTree::IsExpandable(uint32_t attributes) const {
    bool archive = (attributes & SFGAO_STREAM) && (attributes & SFGAO_FILESYSTEM);
    return (attributes & SFGAO_FOLDER) && (m_props.allowZipFolders || !archive);
}

bool ShellTree::ShowsButton(uint32_t attributes) const {
    return IsExpandable(attributes) &&
           (!m_props.queryHasSubFolders || m_props.showFiles || (attributes & SFGAO_HASSUBFOLDER));
}

bool ShellTree::IsExpandableFolder(TreeHandle item) const {
    return IsExpandable(Attributes(item, SFGAO_FOLDER | SFGAO_STREAM | SFGAO_FILESYSTEM));
}

bool ShellTree::UpdateButton(TreeHandle item) {
    const ItemData* data = Data(item);
    if (!data || data->kind == NK_CUSTOM)
        return false;
    uint32_t attributes =
        m_shell.Attributes(data->item, SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_STREAM | SubfolderQuery());
    m_view.SetHasChildren(item, ShowsButton(attributes));
    return true;
}

void ShellTree::RefreshFolder(TreeHandle folder) {
    const ItemData* data = Data(folder);
    if (!data || data->kind == NK_CUSTOM)
        return;
    const ItemIds base = data->item;
    std::vector<ItemId> listed;
    m_shell.Enumerate(base, EnumFlags(), &listed);
    const std::vector<TreeHandle> existing = m_view.Children(folder);
    for (TreeHandle child : existing) {
        const ItemData* childData = Data(child);
        if (!childData || childData->kind != NK_SHELL || childData->item.empty())
            continue;
        auto found = std::find_if(listed.begin(), listed.end(),
                                  [&](const ItemId& id) { return SameItem(id, childData->item.back()); });
        if (found != listed.end()) {
            UpdateButton(child);
            listed.erase(found);
        } else if (!m_shell.Exists(childData->item)) {
            DeleteItem(child);
        }
        if (!m_view.Exists(folder))
            return;
    }
    for (const ItemId& entry : listed) {
        ItemIds item = base;
        item.push_back(entry);
        InsertShellNode(folder, item, nullptr, false);
        if (!m_view.Exists(folder))
            return;
    }
    SortChildren(folder);
    RecomputeChecks(folder);
    if (!m_view.Exists(folder))
        return;
    m_view.SetHasChildren(folder, m_view.FirstChild(folder) != 0);
    if (m_view.FirstChild(folder))
        MarkFilled(folder);
}

void ShellTree::RefreshSubtree(TreeHandle item) {
    std::vector<TreeHandle> folders;
    for (TreeHandle at = item; at && (at == item || m_view.IsAncestor(item, at));
         at = m_view.NextPreOrder(at)) {
        if (IsFilled(at))
            folders.push_back(at);
    }
    for (TreeHandle folder : folders) {
        if (m_view.Exists(folder))
            RefreshFolder(folder);
    }
}

void ShellTree::RecomputeChecks(TreeHandle item) {
    if (m_props.showCheckBoxes && m_view.Exists(item))
        m_checks.RecomputeUpwards(item);
}

const ItemData* ShellTree::Data(TreeHandle item) const {
    auto found = m_data.find(item);
    return found == m_data.end() || !m_view.Exists(item) ? nullptr : found->second.get();
}

ItemData* ShellTree::Data(TreeHandle item) {
    auto found = m_data.find(item);
    return found == m_data.end() || !m_view.Exists(item) ? nullptr : found->second.get();
}

std::u16string ShellTree::DisplayName(TreeHandle item, uint32_t flags) const {
    const ItemData* data = Data(item);
    if (!data)
        return std::u16string();
    if (data->kind == NK_CUSTOM)
        return m_view.Text(item);
    return m_shell.DisplayName(data->item, flags);
}

std::u16string ShellTree::PathOf(TreeHandle item) const {
    const ItemData* data = Data(item);
    std::string path;
    if (!data || data->kind == NK_CUSTOM || !data->offersShare || !m_shell.PathOf(data->item, &path))
        return std::u16string();
    // A link to a folder stands for the folder it points at.
    if (data->kind == NK_SHELL &&
        (m_shell.Attributes(data->item, SFGAO_FOLDER | SFGAO_LINK) == (SFGAO_FOLDER | SFGAO_LINK))) {
        char resolved[PATH_MAX];
        if (!realpath(path.c_str(), resolved))
            return std::u16string();
        path = resolved;
    }
    return ax::Utf8ToUtf16(path);
}

uint32_t ShellTree::Attributes(TreeHandle item, uint32_t requested) const {
    const ItemData* data = Data(item);
    return data && data->kind != NK_CUSTOM ? m_shell.Attributes(data->item, requested) : 0;
}

uint64_t ShellTree::AbsoluteBlock(TreeHandle item) {
    ItemData* data = Data(item);
    if (!data || data->kind != NK_SHELL)
        return 0;
    if (!data->absoluteBlock)
        data->absoluteBlock = ShellAllocator::Instance().Store(EncodeItemIdList(data->item));
    return data->absoluteBlock;
}

uint64_t ShellTree::RelativeBlock(TreeHandle item) {
    ItemData* data = Data(item);
    if (!data || data->kind != NK_SHELL || data->item.empty())
        return 0;
    if (!data->relativeBlock)
        data->relativeBlock = ShellAllocator::Instance().Store(EncodeItemIdList({data->item.back()}));
    return data->relativeBlock;
}

void ShellTree::FreeBlocks(ItemData& data) {
    if (data.absoluteBlock)
        ShellAllocator::Instance().Free(data.absoluteBlock);
    if (data.relativeBlock)
        ShellAllocator::Instance().Free(data.relativeBlock);
    data.absoluteBlock = data.relativeBlock = 0;
}

void ShellTree::SetIconIndex(TreeHandle item, int32_t index) {
    const ItemData* data = Data(item);
    if (!data)
        return;
    if (index >= 0)
        m_view.SetImages(item, index, index);
    else
        m_view.SetImages(item, data->image, data->openImage);
}

void ShellTree::DeleteItem(TreeHandle item) {
    TreeHandle parent = m_view.Parent(item);
    if (!m_view.Delete(item) || !m_view.Exists(parent))
        return;
    if (!m_view.FirstChild(parent))
        m_view.SetHasChildren(parent, false);
    RecomputeChecks(parent);
}

TreeHandle ShellTree::FindChild(TreeHandle item, std::u16string_view label, const ItemId* entry) const {
    for (TreeHandle child : m_view.Children(item)) {
        const ItemData* data = Data(child);
        if (entry
                ? data && data->kind == NK_SHELL && !data->item.empty() && SameItem(data->item.back(), *entry)
                : m_view.Text(child) == label)
            return child;
    }
    return 0;
}

void ShellTree::FillIfNeeded(TreeHandle item) {
    const ItemData* data = Data(item);
    if (!data || data->kind == NK_CUSTOM || IsFilled(item))
        return;
    if (m_view.FirstChild(item))
        RefreshFolder(item);
    else
        FillChildren(item);
}

bool ShellTree::SetCheckState(TreeHandle item, int32_t op) {
    return m_checks.SetCheckState(item, op, m_props.autoCheckChildren);
}

void ShellTree::CheckGesture(TreeHandle item) {
    if (m_events.FireCancellable(PGVE_NODECHECKING, item) || !m_view.Exists(item))
        return;
    SetCheckState(item, CO_TOGGLE);
    if (m_view.Exists(item))
        m_events.FireNode(PGVE_NODECHECKED, item);
}

} // namespace pgv
