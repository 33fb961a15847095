#include "foldertree/control/PathgroveCtrl.h"

#include "foldertree/automation/Guard.h"

#include "foldertree/control/PropertyBagIo.h"
#include "foldertree/control/PropertyStream.h"
#include "foldertree/shell/ShellAllocator.h"

namespace pgv {
namespace {

constexpr int32_t kDefaultDpi = 96;

#define PGV_HANDLER_CLASS CPathgroveCtrl
constexpr ax::DispHandlers<CPathgroveCtrl> kHandlers[] = {PGV_CONTROL_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

// General page first.
constexpr ax::Guid kPages[] = {CLSID_GeneralPropPage, CLSID_PathgrovePropPage};

} // namespace

CPathgroveCtrl::CPathgroveCtrl()
    : m_font(ax::ComPtr<CPgvFont>::Attach(new CPgvFont(FontDesc(), this))),
      m_strings(ax::ComPtr<CStringResourceManager>::Attach(new CStringResourceManager())),
      m_utilities(ax::ComPtr<CUtilities>::Attach(new CUtilities(this))),
      m_events(static_cast<ax::IDispatch*>(this), DIID__DPathgroveEvents),
      m_tree(std::make_unique<ShellTree>(m_props, m_images, *this)) {}

CPathgroveCtrl::~CPathgroveCtrl() {
    m_tree->Destroy();
    m_font->DetachOwner();
    m_utilities->Detach();
    if (m_rootHandle)
        ShellAllocator::Instance().Free(m_rootHandle);
}

ax::HRESULT CPathgroveCtrl::QueryInterface(const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (iid == ax::IID_IUnknown || iid == ax::IID_IDispatch || iid == DIID__DPathgrove)
        *out = static_cast<ax::IDispatch*>(this);
    else if (iid == IID_IPgvControl)
        *out = static_cast<IPgvControl*>(this);
    else if (iid == ax::IID_IConnectionPointContainer)
        *out = static_cast<ax::IConnectionPointContainer*>(this);
    else
        return ax::E_NOINTERFACE;
    AddRef();
    return ax::S_OK;
}

ax::HRESULT CPathgroveCtrl::GetIDsOfNames(const char16_t* const* names, uint32_t count, ax::DISPID* ids) {
    return ax::LookupDispNames(control_members::kTable, names, count, ids);
}

ax::HRESULT CPathgroveCtrl::Invoke(ax::DISPID id, uint16_t flags, ax::DispParams* params, ax::Variant* result,
                                   ax::ExcepInfo* excep, uint32_t* argErr) {
    return ax::CatchAll([&] {
        if (!m_thread.IsCurrent())
            return ax::RPC_E_WRONG_THREAD;
        // A handler of an event fired during the call may drop the host's last
        // reference; the control lives until the call is over.
        ax::ComPtr<ax::IDispatch> hold(this);
        return ax::InvokeTable(*this, control_members::kTable, kHandlers, id, flags, params, result, excep,
                               argErr);
    });
}

ax::HRESULT CPathgroveCtrl::FindConnectionPoint(const ax::Guid& iid, ax::IConnectionPoint** point) {
    if (!point)
        return ax::E_POINTER;
    *point = nullptr;
    if (!(iid == DIID__DPathgroveEvents))
        return ax::CONNECT_E_NOCONNECTION;
    m_events.AddRef();
    *point = &m_events;
    return ax::S_OK;
}

// Site contract.

ax::HRESULT CPathgroveCtrl::SetClientSite(IPgvSite* site) {
    return ax::CatchAll([&] {
        m_site = ax::ComPtr<IPgvSite>(site);
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::InitNew() {
    return ax::CatchAll([&] {
        ResetProps(&m_props);
        SetRoot(ItemIdList());
        m_font->SetDesc(AmbientFont());
        m_dirty = false;
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::Load(ax::ISequentialStream* stream) {
    return ax::CatchAll([&] {
        FontDesc font = AmbientFont();
        ax::HRESULT hr = LoadPropsFromStream(stream, &m_props, &font);
        m_font->SetDesc(font);
        SetRoot(m_props.root);
        m_dirty = false;
        return hr;
    });
}

ax::HRESULT CPathgroveCtrl::Save(ax::ISequentialStream* stream, bool clearDirty) {
    return ax::CatchAll([&] {
        ax::HRESULT hr = SavePropsToStream(stream, m_props, m_font->Desc());
        if (ax::Succeeded(hr) && clearDirty)
            m_dirty = false;
        return hr;
    });
}

ax::HRESULT CPathgroveCtrl::IsDirty() {
    return ax::CatchAll([&] { return m_dirty ? ax::S_OK : ax::S_FALSE; });
}

ax::HRESULT CPathgroveCtrl::LoadBag(ax::IPropertyBag* bag) {
    return ax::CatchAll([&] {
        FontDesc font = AmbientFont();
        ax::HRESULT hr = LoadPropsFromBag(bag, &m_props, &font);
        m_font->SetDesc(font);
        SetRoot(m_props.root);
        m_dirty = false;
        return hr;
    });
}

ax::HRESULT CPathgroveCtrl::SaveBag(ax::IPropertyBag* bag, bool clearDirty) {
    return ax::CatchAll([&] {
        ax::HRESULT hr = SavePropsToBag(bag, m_props, m_font->Desc());
        if (ax::Succeeded(hr) && clearDirty)
            m_dirty = false;
        return hr;
    });
}

ax::HRESULT CPathgroveCtrl::Activate(intptr_t, const PgvRect* rect) {
    return ax::CatchAll([&] {
        if (!rect)
            return ax::E_POINTER;
        if (rect->right < rect->left || rect->bottom < rect->top)
            return ax::E_INVALIDARG;
        if (m_tree->IsCreated())
            return Resize(rect);
        ax::ComPtr<ax::IDispatch> hold(this);
        ax::ComPtr<IPgvUiLoop> loop;
        if (m_site && ax::Failed(m_site->GetUiLoop(loop.Out())))
            loop.Reset();
        m_tree->SetFont(m_font->Desc());
        m_tree->Create(*rect, loop.Get());
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::Resize(const PgvRect* rect) {
    return ax::CatchAll([&] {
        if (!rect)
            return ax::E_POINTER;
        if (rect->right < rect->left || rect->bottom < rect->top)
            return ax::E_INVALIDARG;
        m_props.extentX = PixelsToHimetric(rect->right - rect->left, Dpi());
        m_props.extentY = PixelsToHimetric(rect->bottom - rect->top, Dpi());
        if (m_tree->IsCreated())
            m_tree->Resize(*rect);
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::Deactivate() {
    return ax::CatchAll([&] {
        m_tree->Destroy();
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::Close() {
    return ax::CatchAll([&] {
        m_tree->Destroy();
        m_events.UnadviseAll();
        m_site.Reset();
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::PreTranslateKey(uint32_t message, uint32_t virtualKey) {
    return ax::CatchAll([&] {
        // Without a window there is neither a selected node nor a label editor,
        // and a disabled control takes no input: the key stays the host's.
        ax::ComPtr<ax::IDispatch> hold(this);
        return m_props.enabled && m_tree->IsCreated() && m_tree->PreTranslateKey(message, virtualKey)
                   ? ax::S_OK
                   : ax::S_FALSE;
    });
}

ax::HRESULT CPathgroveCtrl::TreeInput(uint32_t message, uint32_t code, uint32_t modifiers, int32_t x,
                                      int32_t y) {
    return ax::CatchAll([&] {
        if (!m_tree->IsCreated())
            return ax::E_UNEXPECTED;
        ax::ComPtr<ax::IDispatch> hold(this);
        if (m_props.enabled)
            m_tree->Input(message, code, modifiers, x, y);
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::GetInfoTip(int32_t x, int32_t y, ax::BSTR* tip) {
    return ax::CatchAll([&] {
        if (!tip)
            return ax::E_POINTER;
        *tip = nullptr;
        std::u16string text;
        ax::ComPtr<ax::IDispatch> hold(this);
        if (!m_tree->IsCreated() || !m_tree->InfoTipAt(x, y, &text))
            return ax::S_FALSE;
        *tip = ax::AllocBstr(text);
        return *tip ? ax::S_OK : ax::E_OUTOFMEMORY;
    });
}

ax::HRESULT CPathgroveCtrl::GetMiscStatus(uint32_t* status) {
    return ax::CatchAll([&] {
        if (!status)
            return ax::E_POINTER;
        *status = kMiscStatus;
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::GetPages(ax::Guid* pages, uint32_t capacity, uint32_t* count) {
    return ax::CatchAll([&] {
        if (!count)
            return ax::E_POINTER;
        constexpr uint32_t kPageCount = sizeof kPages / sizeof kPages[0];
        *count = kPageCount;
        if (!pages || capacity < kPageCount)
            return ax::S_FALSE;
        for (uint32_t i = 0; i < kPageCount; ++i)
            pages[i] = kPages[i];
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::GetExtent(int32_t* cx, int32_t* cy) {
    return ax::CatchAll([&] {
        if (!cx || !cy)
            return ax::E_POINTER;
        *cx = m_props.extentX;
        *cy = m_props.extentY;
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::SetExtent(int32_t cx, int32_t cy) {
    return ax::CatchAll([&] {
        if (cx < 0 || cy < 0)
            return ax::E_INVALIDARG;
        m_props.extentX = cx;
        m_props.extentY = cy;
        return Modified();
    });
}

// With a window, drawing is the window's; there is no drawing without one.
ax::HRESULT CPathgroveCtrl::Draw(intptr_t, const PgvRect*) {
    return ax::CatchAll([&] {
        if (!m_tree->IsCreated())
            return ax::E_NOTIMPL;
        m_tree->View().Invalidate();
        return ax::S_OK;
    });
}

// Helpers.

ax::HRESULT CPathgroveCtrl::Modified() {
    m_dirty = true;
    return ax::S_OK;
}

ax::HRESULT CPathgroveCtrl::PutFlag(bool& field, const ax::Variant& value) {
    field = value.boolVal != ax::VARIANT_FALSE;
    return Modified();
}

ax::HRESULT CPathgroveCtrl::GetRootHandle(ax::Variant* result) {
    if (m_props.root.empty())
        return ax::SetResult(result, 0.0);
    if (!m_rootHandle)
        m_rootHandle = ShellAllocator::Instance().Store(m_props.root);
    return ax::SetResult(result, HandleToR8(m_rootHandle));
}

void CPathgroveCtrl::SetRoot(ItemIdList root) {
    if (m_rootHandle)
        ShellAllocator::Instance().Free(m_rootHandle);
    m_rootHandle = 0;
    m_props.root = std::move(root);
}

FontDesc CPathgroveCtrl::AmbientFont() {
    FontDesc font;
    ax::ScopedVariant ambient;
    if (m_site && ax::Succeeded(m_site->GetAmbient(AMBIENT_FONT, &ambient)) &&
        ambient.vt == ax::VT_DISPATCH && ambient.pdispVal)
        ReadFontFrom(ambient.pdispVal, &font);
    return font;
}

void CPathgroveCtrl::OnFontChanged() {
    m_dirty = true;
    m_tree->SetFont(m_font->Desc());
}

int32_t CPathgroveCtrl::Dpi() {
    int32_t dpi = m_site ? m_site->GetDpi() : kDefaultDpi;
    return dpi > 0 ? dpi : kDefaultDpi;
}

} // namespace pgv
