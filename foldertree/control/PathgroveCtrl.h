// The folder-tree control: its dispatch interface with every property and
// method, its events, its persisted settings and its side of the
// control-site contract. The tree window, its nodes and the members that
// work on them are not here yet: those members answer E_NOTIMPL.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/ConnectionPoint.h"
#include "foldertree/automation/OwnerThread.h"
#include "foldertree/automation/RefCounted.h"
#include "foldertree/control/FontObject.h"
#include "foldertree/control/PathgroveProps.h"
#include "foldertree/control/StringResourceManager.h"

#include <string>
#include <vector>

namespace pgv {

// Overlay numbers 1 to 15 come from one counter.
constexpr int32_t kFirstOverlayNumber = 1;
constexpr int32_t kOverlayNumberLimit = 16;

// Where the control sends a key message before the host handles it.
enum KeyRoute {
    KR_DEFAULT,       // the host's own handling
    KR_CHECK_GESTURE, // Space: toggles the selected node's check box
    KR_LABEL_EDITOR,  // editing keys: the label editor, while one is active
};
KeyRoute RouteKey(uint32_t message, uint32_t virtualKey);

class CPathgroveCtrl final : public ax::IDispatch,
                             public IPgvControl,
                             public ax::IConnectionPointContainer,
                             public FontOwner,
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

    ax::HRESULT FindConnectionPoint(const ax::Guid& iid, ax::IConnectionPoint** point) override;

    void OnFontChanged() override { m_dirty = true; }

    const PathgroveProps& Props() const { return m_props; }
    const std::vector<std::u16string>& CustomMenuCaptions() const { return m_menuCaptions; }

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

    ax::OwnerThread m_thread;
    PathgroveProps m_props;
    bool m_dirty = false;
    bool m_cancelEvent = false;
    // The handle under which the root was last given out; 0 when none.
    uint64_t m_rootHandle = 0;
    ax::ComPtr<IPgvSite> m_site;
    ax::ComPtr<CPgvFont> m_font;
    ax::ComPtr<CStringResourceManager> m_strings;
    ax::ConnectionPoint m_events;
    std::vector<std::u16string> m_menuCaptions;
    std::vector<int32_t> m_menuStates;
    int32_t m_nextOverlay = kFirstOverlayNumber;
    // Image index of each overlay number taken by SetOverlayIcon.
    std::vector<std::pair<int32_t, int32_t>> m_overlayImages;
};

} // namespace pgv
