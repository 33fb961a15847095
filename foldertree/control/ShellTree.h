// The control's tree window: the folder namespace shown in a TreeView,
// filled lazily (a folder's children are listed the first time it
// expands), kept up to date from the change watcher, with check boxes,
// renaming by label editing and the input the host delivers. Everything
// runs on the control's thread; events go out through ShellTreeEvents, and
// since a host's handler may change the tree, items are checked again after
// every event.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/control/FontDesc.h"
#include "foldertree/control/PathgroveProps.h"
#include "foldertree/dragdrop/DataObject.h"
#include "foldertree/shell/ChangeWatcher.h"
#include "foldertree/shell/FileOperations.h"
#include "foldertree/shell/ShellNamespace.h"
#include "foldertree/shell/ShellVerbs.h"
#include "foldertree/tree/CheckBoxes.h"
#include "foldertree/tree/TreeImages.h"
#include "foldertree/tree/TreeView.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pgv {

// The longest info tip, in UTF-16 units.
constexpr size_t kMaxInfoTipUnits = 1024;
// Attempts at a free "New Folder" name: the plain one, then 1 to 50.
constexpr int kNewFolderNumbers = 50;

enum NodeKind {
    NK_SHELL,   // an item of the namespace
    NK_DESKTOP, // the desktop (the empty list)
    NK_CUSTOM,  // added by the host; never listed, renamed in the shell or watched
};

// What the tree keeps for each of its items.
struct ItemData {
    NodeKind kind = NK_SHELL;
    ItemIds item;
    // Whether the item may carry a check box: its path is UTF-8.
    bool offersShare = true;
    // The icons the namespace gave, which IconIndex -1 restores.
    int32_t image = 0;
    int32_t openImage = 0;
    // Blocks handed to the host for the item's lists (0 until asked for).
    uint64_t absoluteBlock = 0;
    uint64_t relativeBlock = 0;
    ax::Variant userData{};

    ItemData() { ax::VariantInit(&userData); }
    ~ItemData();
    ItemData(const ItemData&) = delete;
    ItemData& operator=(const ItemData&) = delete;
};

// The control's side of the tree.
class ShellTreeEvents {
  public:
    // True when the handler cancelled (its argument or CancelEvent).
    virtual bool FireCancellable(int32_t dispid, TreeHandle item) = 0;
    virtual void FireNode(int32_t dispid, TreeHandle item) = 0;
    // OnAfterNodeRename; true when cancelled (preset for abandoned edits).
    virtual bool FireAfterRename(TreeHandle item, const std::u16string& text, bool abandoned) = 0;
    // OnGetInfoTip: the host may replace `*tip`.
    virtual void FireInfoTip(TreeHandle item, std::u16string* tip) = 0;
    // Initialize: the host may name the root by a path or a list.
    virtual void FireInitialize(std::u16string* path, uint64_t* block) = 0;
    // OnBeforeShellCommandExecute; true when cancelled.
    virtual bool FireShellCommand(const std::u16string& verb) = 0;
    // The stock mouse and click events; Click and DblClick take no arguments.
    virtual void FireMouse(int32_t dispid, int16_t button, int16_t shift, int32_t x, int32_t y) = 0;
    // KeyDown or KeyUp; true when the handler set CancelEvent (the key is
    // swallowed).
    virtual bool FireKey(int32_t dispid, uint32_t key, uint32_t modifiers) = 0;
    // Reads and clears CancelEvent.
    virtual bool TakeCancelEvent() = 0;
    // The container's UserMode.
    virtual bool UserMode() = 0;
    // The control, held while a loop callback runs.
    virtual ax::IUnknown* Owner() = 0;
    virtual void Log(int32_t level, const std::string& text) = 0;
    // The tree was re-rooted at `root` to keep (the empty list: the desktop).
    virtual void StoreRoot(ItemIdList root) = 0;
    // Shows the context menu of `item` at (x, y) in the tree window;
    // `extended` when Shift was held.
    virtual void ShowContextMenu(TreeHandle item, int32_t x, int32_t y, bool extended) = 0;
    // Asks the user through the site; false when refused or there is no
    // one to ask.
    virtual bool Confirm(const std::u16string& text, const std::u16string& caption) = 0;
    // Tells the user through the site, when it offers notices.
    virtual void Notify(const std::u16string& text, const std::u16string& caption) = 0;
    // A menu through the site's presenter; false when nothing was chosen.
    virtual bool TrackMenu(std::vector<PgvMenuEntry>& entries, int32_t x, int32_t y, int32_t* chosen) = 0;
    // OnOleStartDrag; true when cancelled. `*effects` may be changed.
    virtual bool FireStartDrag(DragSourceData* source, TreeHandle item, uint32_t* effects,
                               int32_t button) = 0;
    // OnOleDragOver; `*effect` may be changed.
    virtual void FireDragOver(IPgvDataObject* data, uint32_t* effect, int32_t button, int32_t shift,
                              int32_t x, int32_t y, int32_t state, TreeHandle item) = 0;
    // OnOleDragDrop; true when the shell's drop is still to be done.
    virtual bool FireDragDrop(IPgvDataObject* data, uint32_t effect, int32_t button, int32_t shift, float x,
                              float y, TreeHandle item) = 0;
    // The host's drag loop; false when the site offers none.
    virtual bool RunDragLoop(IPgvDataObject* data, uint32_t allowed, uint32_t* effect) = 0;

  protected:
    ~ShellTreeEvents() = default;
};

// Where the control sends a key message before the host handles it.
enum KeyRoute {
    KR_DEFAULT,       // the host's own handling
    KR_CHECK_GESTURE, // Space: toggles the selected node's check box
    KR_LABEL_EDITOR,  // editing keys: the label editor, while one is active
};
KeyRoute RouteKey(uint32_t message, uint32_t virtualKey);

class TreeCallback;

class ShellTree final : public TreeViewListener {
  public:
    ShellTree(PathgroveProps& props, TreeImages& images, ShellTreeEvents& events);
    ~ShellTree();
    ShellTree(const ShellTree&) = delete;
    ShellTree& operator=(const ShellTree&) = delete;

    // The window: created with the control's size, destroyed with its items.
    void Create(const PgvRect& rect, IPgvUiLoop* loop);
    void Destroy();
    bool IsCreated() const { return m_windowHandle != 0; }
    int32_t WindowHandle() const { return m_windowHandle; }
    void Resize(const PgvRect& rect);
    PgvRect Rect() const { return m_rect; }
    // Settings that change the window's looks take effect.
    void ApplyStyle();
    void ApplyLook();
    void SetFont(const FontDesc& font) { m_font = font; }
    const FontDesc& Font() const { return m_font; }
    // Registers or drops the change watcher; false when registering failed.
    bool SetAutoUpdate(bool on);
    bool IsWatching() const { return m_watcher.IsStarted(); }

    TreeView& View() { return m_view; }
    const TreeView& View() const { return m_view; }
    CheckBoxes& Checks() { return m_checks; }
    const ShellNamespace& Namespace() const { return m_shell; }
    ShellNamespace& Namespace() { return m_shell; }

    // Roots. Reroot deletes every item and shows `root` (the desktop for an
    // empty list), storing it as the control's root when asked.
    void Reroot(const ItemIds& root, bool store);
    ItemIds StoredRoot() const;
    TreeHandle RootItem() const { return m_view.Exists(m_rootItem) ? m_rootItem : 0; }
    // A further top-level node: -1 last, 0 first, n after the n-th; null
    // `item` for a desktop node.
    TreeHandle AddRootNode(const ItemIds* item, int32_t position);
    // Rebuilds at the stored root and selects the selected item again.
    void RefreshView();

    // The node of `target`, inserting (and expanding) on the way when `add`.
    TreeHandle GetNode(const ItemIds& target, bool add);
    // A path (or parsing name) as an item; false when it names nothing.
    bool ParsePath(std::u16string_view path, ItemIds* item) const;

    void FillChildren(TreeHandle folder);
    void RefreshFolder(TreeHandle folder);
    void RefreshSubtree(TreeHandle item);
    void HandleChange(const ShellChange& change);
    bool IsFilled(TreeHandle item) const { return m_filled.count(item) != 0; }

    // Items.
    const ItemData* Data(TreeHandle item) const;
    ItemData* Data(TreeHandle item);
    std::u16string DisplayName(TreeHandle item, uint32_t flags) const;
    // The file-system path ("" for custom nodes, items without one and
    // items not offered as shares).
    std::u16string PathOf(TreeHandle item) const;
    uint32_t Attributes(TreeHandle item, uint32_t requested) const;
    bool IsExpandableFolder(TreeHandle item) const;
    uint64_t AbsoluteBlock(TreeHandle item);
    uint64_t RelativeBlock(TreeHandle item);
    void SetIconIndex(TreeHandle item, int32_t index);
    // Deletes an item and its subtree; the parent loses its button when it
    // has no children left, and the ancestors' check states are recomputed.
    void DeleteItem(TreeHandle item);
    // Creates a folder under a file-system folder (or the desktop); the
    // empty name takes the first free "New Folder" name.
    TreeHandle CreateNewFolder(TreeHandle item, std::u16string_view name, bool editNow);
    TreeHandle InsertCustomNode(TreeHandle relative, int32_t relation, std::u16string text, int32_t icon,
                                int32_t selectedIcon);
    // The first child whose label (or relative list) matches.
    TreeHandle FindChild(TreeHandle item, std::u16string_view label, const ItemId* entry) const;

    // Expands a shell folder that was never filled, or completes one that
    // was filled in part; for Child and Children with Fill.
    void FillIfNeeded(TreeHandle item);
    bool SetCheckState(TreeHandle item, int32_t op);
    // The check gesture of a click on the box or Space: NodeChecking, then
    // (unless cancelled) a toggle and NodeChecked.
    void CheckGesture(TreeHandle item);

    // Input from the host.
    void Input(uint32_t message, uint32_t code, uint32_t modifiers, int32_t x, int32_t y);
    bool PreTranslateKey(uint32_t message, uint32_t key);
    bool InfoTipAt(int32_t x, int32_t y, std::u16string* tip);

    // What the loop calls back, holding the control.
    ax::IUnknown* Owner() { return m_events.Owner(); }
    void OnSelectionTimer();
    void OnChangesReady();
    void OnScrollTimer();
    void OnHoverTimer();

    // Shell commands. The verbs the item's menu offers (none for a custom
    // node); a verb run on an item, false when the item does not offer it
    // or it failed; RunShellCommand fires OnBeforeShellCommandExecute
    // first.
    std::vector<ShellVerb> VerbsFor(TreeHandle item, uint32_t flags) const;
    bool InvokeVerb(TreeHandle item, std::u16string_view verb);
    bool RunShellCommand(TreeHandle item, const std::u16string& verb);
    // Items shown cut until the clipboard changes.
    bool IsShownCut(TreeHandle item) const;

    // Drag and drop: a drag over the window (x, y in its pixels).
    uint32_t DragEnter(IPgvDataObject* data, uint32_t keyState);
    uint32_t DragOver(uint32_t keyState, int32_t x, int32_t y);
    void DragLeave();
    uint32_t Drop(IPgvDataObject* data, uint32_t keyState, int32_t x, int32_t y);
    bool IsDragging() const { return m_dragging; }

    // TreeViewListener.
    bool OnItemExpanding(TreeHandle item, uint32_t action) override;
    void OnItemExpanded(TreeHandle item, uint32_t action) override;
    bool OnSelChanging(TreeHandle from, TreeHandle to, uint32_t cause) override;
    void OnSelChanged(TreeHandle from, TreeHandle to, uint32_t cause) override;
    void OnDeleteItem(TreeHandle item, uint64_t param) override;
    bool OnBeginLabelEdit(TreeHandle item, std::u16string* text) override;
    bool OnEndLabelEdit(TreeHandle item, const std::u16string* text) override;
    void OnGetInfoTip(TreeHandle item, std::u16string* tip) override;
    void OnBeginDrag(TreeHandle item, bool rightButton) override;

  private:
    struct Placement {
        TreePlace place = TreePlace::LAST;
        TreeHandle after = 0;
    };

    uint32_t EnumFlags() const;
    uint32_t SubfolderQuery() const;
    bool IsExpandable(uint32_t attributes) const;
    bool ShowsButton(uint32_t attributes) const;
    TreeHandle InsertShellNode(TreeHandle parent, const ItemIds& item, const Placement* placement,
                               bool force);
    TreeHandle InsertDesktopNode(const Placement& placement);
    TreeHandle AddData(TreeHandle item, std::unique_ptr<ItemData> data);
    void MarkFilled(TreeHandle folder);
    void SortChildren(TreeHandle parent);
    bool UpdateButton(TreeHandle item);
    void RecomputeChecks(TreeHandle item);
    void FreeBlocks(ItemData& data);
    void RenameShellItem(TreeHandle item, const std::u16string& text);
    // Gives a renamed item and its descendants their new lists.
    void ReplaceItemLists(TreeHandle item, const ItemIds& renamed);
    std::vector<TreeHandle> FilledMatching(const ItemIds& item) const;
    void AddChangedItem(const ItemIds& item);
    void RemoveChangedItem(const ItemIds& item);
    void UpdateChangedFolder(const ItemIds& item);
    void Watch(TreeHandle folder);
    void StartSelectionTimer();
    void StopSelectionTimer();
    void MouseInput(uint32_t message, uint32_t modifiers, int32_t x, int32_t y);
    void KeyInput(uint32_t message, uint32_t key, uint32_t modifiers);
    // A default key of a shell node: true when it was one.
    bool ShellKey(uint32_t message, uint32_t key, uint32_t modifiers);
    void ShowMenuForSelection();

    // The commands' work on files, and the tree brought up to date.
    bool OpenItem(const ItemIds& item, bool folder);
    bool PasteInto(const ItemIds& folder);
    bool TrashItem(TreeHandle item, const ItemIds& ids);
    void ShowCut(TreeHandle item);
    void ClearCutLook();
    void PathsChanged(const std::vector<std::string>& added, const std::vector<ItemIds>& removed);
    // A move that is done though part of its source stayed: a warning in
    // the log, and for the user when the control shows dialogs.
    void WarnLeftBehind(const LeftBehind& left, bool intoTrash);

    // Drag and drop.
    std::string DropFolderOf(TreeHandle item) const;
    void SetDropHilite(TreeHandle item);
    void StartDragTimer(uint32_t* timer, uint32_t delayMs, TreeCallback* callback);
    void StopDragTimer(uint32_t* timer);
    void EndDrag();
    PathgroveProps& m_props;
    TreeImages& m_images;
    ShellTreeEvents& m_events;
    TreeView m_view;
    CheckBoxes m_checks;
    ShellNamespace m_shell;
    ChangeWatcher m_watcher;
    std::map<TreeHandle, std::unique_ptr<ItemData>> m_data;
    std::set<TreeHandle> m_filled;
    TreeHandle m_rootItem = 0;
    TreeHandle m_lastInserted = 0;
    int32_t m_windowHandle = 0;
    PgvRect m_rect{0, 0, 0, 0};
    FontDesc m_font;
    ax::ComPtr<IPgvUiLoop> m_loop;
    ax::ComPtr<TreeCallback> m_timerCallback;
    ax::ComPtr<TreeCallback> m_watchCallback;
    uint32_t m_selectionTimer = 0;
    bool m_stateIconPressed = false;
    // The items this tree shows cut, and its clipboard listener.
    std::vector<TreeHandle> m_cutItems;
    uint64_t m_clipboardListener = 0;
    // Drag and drop: the allowed effects of the drag that started here
    // (0 for any other), the button that started it, the data over the
    // tree, the hovered and highlighted items, the last point, the timers.
    uint32_t m_dragEffects = 0;
    int32_t m_dragButton = 0;
    bool m_dragging = false;
    // A drag started from a press: its button's release is not a click.
    bool m_dragConsumedUp = false;
    ax::ComPtr<IPgvDataObject> m_dropData;
    TreeHandle m_hoverItem = 0;
    TreeHandle m_dropHilite = 0;
    int32_t m_dragX = 0;
    int32_t m_dragY = 0;
    ax::ComPtr<TreeCallback> m_scrollCallback;
    ax::ComPtr<TreeCallback> m_hoverCallback;
    uint32_t m_scrollTimer = 0;
    uint32_t m_hoverTimer = 0;
};

} // namespace pgv
