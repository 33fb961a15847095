// The folder-tree control: its dispatch interface with every property and
// method, its events, its persisted settings, its side of the control-site
// contract (drag and drop over the tree included), its context menus and
// its tree window (ShellTree), which exists between Activate and
// Deactivate or Close.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/ConnectionPoint.h"
#include "foldertree/automation/OwnerThread.h"
#include "foldertree/automation/RefCounted.h"
#include "foldertree/control/FontObject.h"
#include "foldertree/control/PathgroveProps.h"
#include "foldertree/control/ShellTree.h"
#include "foldertree/control/StringResourceManager.h"
#include "foldertree/control/Utilities.h"
#include "foldertree/menu/PopupMenu.h"
#include "foldertree/tree/TreeImages.h"

#include <memory>
#include <string>
#include <vector>

namespace pgv {

class CPathgroveCtrl final : public ax::IDispatch,
                             public IPgvControl,
                             public ax::IConnectionPointContainer,
                             public FontOwner,
                             public ShellTreeEvents,
                             public ax::RefCounted {
  public:
    CPathgroveCtrl();
    ~CPathgroveCtrl() override;

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS

    ax::HRESULT GetIDsOfNames(const char16_t* const* names, uint32_t count, ax::DISPID* ids) override;
    ax::HRESULT Invoke(ax::DISPID id, uint16_t flags, ax::DispParams* params, ax::Variant* result,
                       ax::ExcepInfo* excep, uint32_t* argErr) override;

    ax::HRESULT SetClientSite(IPgvSite* site) override;
    ax::HRESULT InitNew() override;
    ax::HRESULT Load(ax::ISequentialStream* stream) override;
    ax::HRESULT Save(ax::ISequentialStream* stream, bool clearDirty) override;
    ax::HRESULT IsDirty() override;
    ax::HRESULT LoadBag(ax::IPropertyBag* bag) override;
    ax::HRESULT SaveBag(ax::IPropertyBag* bag, bool clearDirty) override;
    ax::HRESULT Activate(intptr_t parentWindow, const PgvRect* rect) override;
    ax::HRESULT Resize(const PgvRect* rect) override;
    ax::HRESULT Deactivate() override;
    ax::HRESULT Close() override;
    ax::HRESULT PreTranslateKey(uint32_t message, uint32_t virtualKey) override;
    ax::HRESULT GetMiscStatus(uint32_t* status) override;
    ax::HRESULT GetPages(ax::Guid* pages, uint32_t capacity, uint32_t* count) override;
    ax::HRESULT GetExtent(int32_t* cx, int32_t* cy) override;
    ax::HRESULT SetExtent(int32_t cx, int32_t cy) override;
    ax::HRESULT Draw(intptr_t target, const PgvRect* bounds) override;
    ax::HRESULT TreeInput(uint32_t message, uint32_t code, uint32_t modifiers, int32_t x, int32_t y) override;
    ax::HRESULT GetInfoTip(int32_t x, int32_t y, ax::BSTR* tip) override;
    ax::HRESULT DragEnter(IPgvDataObject* data, uint32_t keyState, int32_t x, int32_t y,
                          uint32_t* effect) override;
    ax::HRESULT DragOver(uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) override;
    ax::HRESULT DragLeave() override;
    ax::HRESULT Drop(IPgvDataObject* data, uint32_t keyState, int32_t x, int32_t y,
                     uint32_t* effect) override;
    ax::HRESULT MenuSelect(int32_t id) override;

    ax::HRESULT FindConnectionPoint(const ax::Guid& iid, ax::IConnectionPoint** point) override;

    void OnFontChanged() override;

    // ShellTreeEvents.
    bool FireCancellable(int32_t dispid, TreeHandle item) override;
    void FireNode(int32_t dispid, TreeHandle item) override;
    bool FireAfterRename(TreeHandle item, const std::u16string& text, bool abandoned) override;
    void FireInfoTip(TreeHandle item, std::u16string* tip) override;
    void FireInitialize(std::u16string* path, uint64_t* block) override;
    bool FireShellCommand(const std::u16string& verb) override;
    void FireMouse(int32_t dispid, int16_t button, int16_t shift, int32_t x, int32_t y) override;
    bool FireKey(int32_t dispid, uint32_t key, uint32_t modifiers) override;
    bool TakeCancelEvent() override;
    bool UserMode() override;
    ax::IUnknown* Owner() override { return static_cast<ax::IDispatch*>(this); }
    void Log(int32_t level, const std::string& text) override;
    void StoreRoot(ItemIdList root) override;
    void ShowContextMenu(TreeHandle item, int32_t x, int32_t y, bool extended) override;
    bool Confirm(const std::u16string& text, const std::u16string& caption) override;
    void Notify(const std::u16string& text, const std::u16string& caption) override;
    bool TrackMenu(std::vector<PgvMenuEntry>& entries, int32_t x, int32_t y, int32_t* chosen) override;
    bool FireStartDrag(DragSourceData* source, TreeHandle item, uint32_t* effects, int32_t button) override;
    void FireDragOver(IPgvDataObject* data, uint32_t* effect, int32_t button, int32_t shift, int32_t x,
                      int32_t y, int32_t state, TreeHandle item) override;
    bool FireDragDrop(IPgvDataObject* data, uint32_t effect, int32_t button, int32_t shift, float x, float y,
                      TreeHandle item) override;
    bool RunDragLoop(IPgvDataObject* data, uint32_t allowed, uint32_t* effect) override;

    const PathgroveProps& Props() const { return m_props; }
    const std::vector<std::u16string>& CustomMenuCaptions() const { return m_menuCaptions; }
    ShellTree& Tree() { return *m_tree; }
    const TreeImages& Images() const { return m_images; }

    // A new node object for `item` (one reference), or null when the item
    // does not exist.
    ax::IDispatch* NewNode(TreeHandle item);
    ax::HRESULT NodeResult(ax::Variant* result, TreeHandle item);
    // Re-roots the tree at `item` and keeps it as the root.
    void RerootAndStore(const ItemIds& item);
    // The namespace of the window, or one read now when there is none.
    const ShellNamespace& Namespace();
    // A system icon in the tree's image list (added on first use).
    int32_t MapSystemIcon(int32_t systemIndex) { return m_images.MapSystemIndex(systemIndex); }

    PGV_CONTROL_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    ax::HRESULT Modified();
    ax::HRESULT PutFlag(bool& field, const ax::Variant& value);
    // Stores `value` when `allowed`; out-of-range values are ignored without
    // an error.
    template <class T> ax::HRESULT PutChecked(T& field, T value, bool allowed) {
        if (!allowed)
            return ax::S_OK;
        field = value;
        return Modified();
    }
    ax::HRESULT GetRootHandle(ax::Variant* result);
    void SetRoot(ItemIdList root);
    FontDesc AmbientFont();
    int32_t Dpi();
    ax::ComPtr<IPgvPresenter> Presenter();
    // A tree change that a put asks for, when the window exists.
    void Rebuild();
    void Restyle();
    // The item a node object names (its ID), or 0.
    TreeHandle ItemOfNode(ax::IDispatch* node);
    // The item a Path or a list names, for GetNode and SelectNode.
    bool LookupTarget(const ax::Variant& path, const ax::Variant& pidl, ItemIds* target, bool* isRoot);
    TreeHandle LookupNode(ax::Variant* args);
    void FireWithNode(int32_t dispid, TreeHandle item, ax::Variant* rest, uint32_t restCount);
    // Hands a drag the host delivered to the window (when enabled).
    template <class Deliver> ax::HRESULT DeliverDrag(uint32_t* effect, Deliver deliver);
    // A node argument (an empty one for no item); cleared by the caller.
    ax::Variant NodeArgument(TreeHandle item);

    ax::OwnerThread m_thread;
    PathgroveProps m_props;
    bool m_dirty = false;
    ax::VARIANT_BOOL m_cancelEvent = ax::VARIANT_FALSE;
    // The handle under which the root was last given out; 0 when none.
    uint64_t m_rootHandle = 0;
    ax::ComPtr<IPgvSite> m_site;
    ax::ComPtr<CPgvFont> m_font;
    ax::ComPtr<CStringResourceManager> m_strings;
    ax::ComPtr<CUtilities> m_utilities;
    ax::ConnectionPoint m_events;
    std::vector<std::u16string> m_menuCaptions;
    std::vector<int32_t> m_menuStates;
    TreeImages m_images;
    std::unique_ptr<ShellTree> m_tree;
    // Cursors of the walks: checked nodes, all items, visible items.
    TreeHandle m_checkedCursor = 0;
    TreeHandle m_itemCursor = 0;
    TreeHandle m_visibleCursor = 0;
    // The context menu while it is shown: its shell verbs (for the hints)
    // and the first id after them.
    struct ShownMenu {
        std::vector<ShellVerb> verbs;
        std::vector<int32_t> verbIds;
        int32_t firstCustom = 0;
    };
    std::unique_ptr<ShownMenu> m_shownMenu;
};

} // namespace pgv
