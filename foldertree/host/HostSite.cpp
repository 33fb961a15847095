#include "foldertree/host/HostSite.h"
#include "foldertree/automation/QueryInterface.h"

#include <cmath>

namespace pgvhost {

HostSite::HostSite() : m_loop(ax::ComPtr<HostUiLoop>::Attach(new HostUiLoop())) {
    SetAmbient(pgv::AMBIENT_USERMODE, ax::MakeBool(true));
}

HostSite::~HostSite() {
    for (auto& entry : m_ambient)
        ax::VariantClear(&entry.second);
}

ax::HRESULT HostSite::QueryInterface(const ax::Guid& iid, void** out) {
    return ax::QuerySingleInterface<pgv::IPgvSite>(this, iid, pgv::IID_IPgvSite, out);
}

ax::HRESULT HostSite::GetAmbient(ax::DISPID id, ax::Variant* value) {
    if (!value)
        return ax::E_POINTER;
    auto it = m_ambient.find(id);
    if (it == m_ambient.end())
        return ax::DISP_E_MEMBERNOTFOUND;
    return ax::VariantCopy(value, &it->second);
}

ax::HRESULT HostSite::ContainerToHimetric(float x, float y, int32_t* hx, int32_t* hy) {
    if (!hx || !hy)
        return ax::E_POINTER;
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e6f || std::fabs(y) > 1e6f)
        return ax::E_INVALIDARG;
    *hx = pgv::PixelsToHimetric(static_cast<int32_t>(std::lround(x)), m_dpi);
    *hy = pgv::PixelsToHimetric(static_cast<int32_t>(std::lround(y)), m_dpi);
    return ax::S_OK;
}

ax::HRESULT HostSite::GetUiLoop(pgv::IPgvUiLoop** loop) {
    if (!loop)
        return ax::E_POINTER;
    m_loop->AddRef();
    *loop = m_loop.Get();
    return ax::S_OK;
}

ax::HRESULT HostSite::GetPresenter(pgv::IPgvPresenter** presenter) {
    if (!presenter)
        return ax::E_POINTER;
    *presenter = m_presenter.Get();
    if (!*presenter)
        return ax::E_NOINTERFACE;
    (*presenter)->AddRef();
    return ax::S_OK;
}

void HostSite::Log(int32_t level, const char16_t* text) {
    if (m_logSink && text)
        m_logSink(level, text);
}

void HostSite::SetAmbient(ax::DISPID id, const ax::Variant& value) {
    ax::Variant& slot = m_ambient[id];
    ax::VariantCopy(&slot, &value);
}

} // namespace pgvhost
