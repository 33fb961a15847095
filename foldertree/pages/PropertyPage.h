// The control's two property pages, as views of its dispatch interface: a
// field shows a property (found by name, without regard to case) and
// Apply writes the fields the user changed, and only those, to every
// control being edited. The general page comes first.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/Guard.h"
#include "foldertree/automation/OwnerThread.h"
#include "foldertree/automation/RefCounted.h"

#include <map>
#include <vector>

namespace pgv {

struct PageDescription {
    const ax::Guid& clsid;
    const char16_t* title;
    const char16_t* caption;
    int32_t dialogId;
    const PgvPageField* fields;
    uint32_t fieldCount;
};

// The page of `clsid`, or null.
const PageDescription* FindPage(const ax::Guid& clsid);

class CPropertyPage final : public IPgvPropertyPage, public ax::RefCounted {
  public:
    explicit CPropertyPage(const PageDescription& page) : m_page(page) {}
    ~CPropertyPage() override;

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS

    ax::HRESULT GetPageInfo(ax::BSTR* title, ax::BSTR* caption, int32_t* dialogId) override;
    ax::HRESULT SetObjects(uint32_t count, ax::IUnknown* const* objects) override;
    ax::HRESULT GetFieldCount(uint32_t* count) override;
    ax::HRESULT GetField(uint32_t index, PgvPageField* field) override;
    ax::HRESULT GetValue(int32_t controlId, ax::Variant* value) override;
    ax::HRESULT SetValue(int32_t controlId, const ax::Variant* value) override;
    ax::HRESULT IsPageDirty() override;
    ax::HRESULT Apply() override;
    ax::HRESULT Click(int32_t controlId) override;

  private:
    const PgvPageField* Field(int32_t controlId) const;
    // The field of a property (not a button).
    const PgvPageField* ValueField(int32_t controlId) const;
    // Calls from the creator's thread only, and no exception out.
    template <class Call> ax::HRESULT OnOwnerThread(Call&& call) {
        return m_thread.IsCurrent() ? ax::CatchAll(call) : ax::RPC_E_WRONG_THREAD;
    }
    void ClearEdits();

    const PageDescription& m_page;
    ax::OwnerThread m_thread;
    std::vector<ax::ComPtr<ax::IDispatch>> m_objects;
    std::map<int32_t, ax::Variant> m_edited;
};

} // namespace pgv
