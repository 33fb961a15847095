#include "ui/dirs/FolderTreeControl.h"

#include "foldertree/automation/RefCounted.h"
#include "foldertree/automation/Utf16.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

namespace {

// The tree window's size: tall enough that every row is in view, so the
// control never scrolls under a host that shows the tree itself.
constexpr pgv::PgvRect kTreeRect = {0, 0, 600, 1 << 20};

// The dialog's settings of the control.
struct Setting {
    ax::DISPID id;
    bool value;
};
constexpr Setting kSettings[] = {
    {pgv::PGVC_SHOWCHECKBOXES, true},      {pgv::PGVC_AUTOCHECKCHILDREN, true},
    {pgv::PGVC_SHOWFILES, false},          {pgv::PGVC_SHOWSPECAILFOLDERS, false},
    {pgv::PGVC_SHOWHIDDENOBJECTS, false},  {pgv::PGVC_SHOWCONTEXTMENUS, false},
    {pgv::PGVC_ALLOWDRAGDROP, false},      {pgv::PGVC_ALLOWNODERENAMING, false},
    {pgv::PGVC_DEFAULTKEYHANDLING, false}, {pgv::PGVC_AUTOUPDATE, true},
};

// Receives the control's events.
class EventSink final : public ax::IDispatch, public ax::RefCounted {
  public:
    explicit EventSink(FolderTreeControl::Events events) : m_events(std::move(events)) {}

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override {
        if (!out)
            return ax::E_POINTER;
        *out = nullptr;
        if (!(iid == ax::IID_IUnknown) && !(iid == ax::IID_IDispatch) &&
            !(iid == pgv::DIID__DPathgroveEvents))
            return ax::E_NOINTERFACE;
        *out = static_cast<ax::IDispatch*>(this);
        AddRef();
        return ax::S_OK;
    }
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT GetIDsOfNames(const char16_t* const*, uint32_t, ax::DISPID*) override {
        return ax::E_NOTIMPL;
    }
    ax::HRESULT Invoke(ax::DISPID id, uint16_t, ax::DispParams* params, ax::Variant*, ax::ExcepInfo*,
                       uint32_t*) override {
        ax::IDispatch* node = params && params->count > 0 && params->args[0].vt == ax::VT_DISPATCH
                                  ? params->args[0].pdispVal
                                  : nullptr;
        if (id == pgv::PGVE_NODECHECKED && node && m_events.nodeChecked)
            m_events.nodeChecked(node);
        else if (id == pgv::PGVE_NODEEXPANDING && node && m_events.nodeExpanding)
            m_events.nodeExpanding(node);
        return ax::S_OK;
    }

  private:
    FolderTreeControl::Events m_events;
};

} // namespace

FolderTreeControl::FolderTreeControl(const std::string& manifestPath)
    : m_activator(manifestPath.empty() ? std::make_unique<pgvhost::Activator>()
                                       : std::make_unique<pgvhost::Activator>(manifestPath)) {}

FolderTreeControl::~FolderTreeControl() {
    Close();
}

ax::HRESULT FolderTreeControl::Create(Events events) {
    ax::HRESULT hr =
        m_activator->CreateInstance(pgv::CLSID_Pathgrove, pgv::DIID__DPathgrove, m_tree.OutVoid());
    if (ax::Failed(hr)) {
        MVLOG(LOG_ERR, "Folder tree: %s", m_activator->LastError().c_str());
        return hr;
    }
    hr = m_tree->QueryInterface(pgv::IID_IPgvControl, m_control.OutVoid());
    if (ax::Failed(hr)) {
        Close();
        return hr;
    }
    m_site = ax::ComPtr<pgvhost::HostSite>::Attach(new pgvhost::HostSite());
    m_site->SetLogSink([](int32_t level, std::u16string_view text) {
        const std::string line = ax::Utf16ToUtf8(text);
        MVLOG(level <= LOG_ERR ? LOG_ERR : LOG_VERB, "Folder tree: %s", line.c_str());
    });
    hr = m_control->SetClientSite(m_site.Get());
    if (ax::Succeeded(hr))
        hr = m_control->InitNew();
    for (const Setting& setting : kSettings) {
        if (ax::Succeeded(hr))
            hr = DispPut(m_tree.Get(), setting.id, ax::MakeBool(setting.value));
    }
    ax::ComPtr<ax::IConnectionPointContainer> points;
    if (ax::Succeeded(hr))
        hr = m_tree->QueryInterface(ax::IID_IConnectionPointContainer, points.OutVoid());
    if (ax::Succeeded(hr))
        hr = points->FindConnectionPoint(pgv::DIID__DPathgroveEvents, m_point.Out());
    if (ax::Succeeded(hr)) {
        auto sink = ax::ComPtr<EventSink>::Attach(new EventSink(std::move(events)));
        hr = m_point->Advise(sink.Get(), &m_cookie);
    }
    if (ax::Succeeded(hr))
        hr = m_control->Activate(0, &kTreeRect);
    if (ax::Failed(hr))
        Close();
    return hr;
}

void FolderTreeControl::Close() {
    if (m_point && m_cookie)
        m_point->Unadvise(m_cookie);
    m_cookie = 0;
    m_point.Reset();
    if (m_control) {
        m_control->Close();
        m_control->SetClientSite(nullptr);
    }
    m_control.Reset();
    m_tree.Reset();
    m_site.Reset();
    m_activator->FreeUnusedLibraries();
}

size_t FolderTreeControl::RunPending() {
    return m_site ? m_site->Loop().RunPending() : 0;
}

NodePtr FolderTreeControl::GetNode(const std::wstring& path) {
    return DispObject(m_tree.Get(), pgv::PGVC_GETNODE,
                      {ax::MakeBstr(ax::Utf8ToUtf16(WideToUtf8(path))), ax::MakeR8(0), ax::MakeBool(true)});
}

NodePtr FolderTreeControl::FirstCheckedNode() {
    return DispObject(m_tree.Get(), pgv::PGVC_FIRSTCHECKEDNODE);
}

NodePtr FolderTreeControl::NextCheckedNode() {
    return DispObject(m_tree.Get(), pgv::PGVC_NEXTCHECKEDNODE);
}
