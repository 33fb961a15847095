// A host's side of the control-site contract: ambient properties (UserMode
// on unless told), HIMETRIC transforms at 96 dpi unless told (container
// units are pixels), its UI loop, the presenters the host chose and the
// sink of the control's log lines.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/RefCounted.h"
#include "foldertree/host/HostUiLoop.h"

#include <functional>
#include <map>
#include <string_view>

namespace pgvhost {

class HostSite final : public pgv::IPgvSite, public ax::RefCounted {
  public:
    HostSite();
    ~HostSite() override;

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS

    ax::HRESULT GetAmbient(ax::DISPID id, ax::Variant* value) override;
    int32_t GetDpi() override { return m_dpi; }
    ax::HRESULT ContainerToHimetric(float x, float y, int32_t* hx, int32_t* hy) override;
    ax::HRESULT GetUiLoop(pgv::IPgvUiLoop** loop) override;
    ax::HRESULT GetPresenter(pgv::IPgvPresenter** presenter) override;
    void Log(int32_t level, const char16_t* text) override;

    void SetAmbient(ax::DISPID id, const ax::Variant& value);
    void SetDpi(int32_t dpi) { m_dpi = dpi; }
    void SetPresenter(pgv::IPgvPresenter* presenter) {
        m_presenter = ax::ComPtr<pgv::IPgvPresenter>(presenter);
    }
    HostUiLoop& Loop() { return *m_loop.Get(); }
    // Where the control's log lines go; none are kept without a sink.
    void SetLogSink(std::function<void(int32_t level, std::u16string_view text)> sink) {
        m_logSink = std::move(sink);
    }

  private:
    std::map<ax::DISPID, ax::Variant> m_ambient;
    int32_t m_dpi = 96;
    ax::ComPtr<HostUiLoop> m_loop;
    ax::ComPtr<pgv::IPgvPresenter> m_presenter;
    std::function<void(int32_t, std::u16string_view)> m_logSink;
};

} // namespace pgvhost
