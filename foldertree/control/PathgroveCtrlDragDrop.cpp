// Drag and drop as the host sees it: the drag events with their data
// objects, the host's drag loop, and the drags the host delivers over the
// tree window.
#include "foldertree/automation/Guard.h"
#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/dragdrop/PGVDataObject.h"

namespace pgv {

ax::Variant CPathgroveCtrl::NodeArgument(TreeHandle item) {
    ax::Variant node;
    ax::VariantInit(&node);
    node.vt = ax::VT_DISPATCH;
    node.pdispVal = item ? NewNode(item) : nullptr;
    return node;
}

bool CPathgroveCtrl::FireStartDrag(DragSourceData* source, TreeHandle item, uint32_t* effects,
                                   int32_t button) {
    ax::VARIANT_BOOL cancel = ax::VARIANT_FALSE;
    int32_t allowed = static_cast<int32_t>(*effects);
    m_cancelEvent = ax::VARIANT_FALSE;
    ax::Variant args[] = {
        {ax::VT_DISPATCH, {}, {}},           NodeArgument(item),
        ax::MakeByRef(ax::VT_I4, &allowed),  ax::MakeI4(button),
        ax::MakeByRef(ax::VT_BOOL, &cancel),
    };
    args[0].pdispVal = CPGVDataObject::ForSource(source);
    {
        ax::VariantsGuard clear(args, 5);
        m_events.Fire(PGVE_ONOLESTARTDRAG, args, 5);
    }
    *effects = static_cast<uint32_t>(allowed);
    return TakeCancelEvent() || cancel != ax::VARIANT_FALSE;
}

void CPathgroveCtrl::FireDragOver(IPgvDataObject* data, uint32_t* effect, int32_t button, int32_t shift,
                                  int32_t x, int32_t y, int32_t state, TreeHandle item) {
    int32_t value = static_cast<int32_t>(*effect);
    ax::Variant args[] = {
        {ax::VT_DISPATCH, {}, {}},
        ax::MakeByRef(ax::VT_I4, &value),
        ax::MakeI4(button),
        ax::MakeI4(shift),
        ax::MakeI4(x),
        ax::MakeI4(y),
        ax::MakeI4(state),
        NodeArgument(item),
    };
    args[0].pdispVal = CPGVDataObject::ForDrop(data);
    {
        ax::VariantsGuard clear(args, 8);
        m_events.Fire(PGVE_ONOLEDRAGOVER, args, 8);
    }
    *effect = static_cast<uint32_t>(value);
}

bool CPathgroveCtrl::FireDragDrop(IPgvDataObject* data, uint32_t effect, int32_t button, int32_t shift,
                                  float x, float y, TreeHandle item) {
    ax::VARIANT_BOOL shellDrop = ax::VARIANT_TRUE;
    ax::Variant args[] = {
        {ax::VT_DISPATCH, {}, {}},
        ax::MakeI4(static_cast<int32_t>(effect)),
        ax::MakeI4(button),
        ax::MakeI4(shift),
        ax::MakeR4(x),
        ax::MakeR4(y),
        NodeArgument(item),
        ax::MakeByRef(ax::VT_BOOL, &shellDrop),
    };
    args[0].pdispVal = CPGVDataObject::ForDrop(data);
    {
        ax::VariantsGuard clear(args, 8);
        m_events.Fire(PGVE_ONOLEDRAGDROP, args, 8);
    }
    return shellDrop != ax::VARIANT_FALSE;
}

bool CPathgroveCtrl::RunDragLoop(IPgvDataObject* data, uint32_t allowed, uint32_t* effect) {
    ax::ComPtr<IPgvPresenter> presenter = Presenter();
    ax::ComPtr<IPgvDragPresenter> loop;
    *effect = DROPEFFECT_NONE;
    if (!presenter || ax::Failed(presenter->QueryInterface(IID_IPgvDragPresenter, loop.OutVoid())) || !loop)
        return false;
    return ax::Succeeded(loop->DoDragDrop(data, allowed, effect));
}

// The site contract's side: a drag the host delivers over the window.

template <class Deliver> ax::HRESULT CPathgroveCtrl::DeliverDrag(uint32_t* effect, Deliver deliver) {
    return ax::CatchAll([&] {
        if (!effect)
            return ax::E_POINTER;
        *effect = DROPEFFECT_NONE;
        if (!m_tree->IsCreated())
            return ax::E_UNEXPECTED;
        ax::ComPtr<ax::IDispatch> hold(this);
        if (m_props.enabled)
            *effect = deliver();
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::DragEnter(IPgvDataObject* data, uint32_t keyState, int32_t, int32_t,
                                      uint32_t* effect) {
    return DeliverDrag(effect, [&] { return m_tree->DragEnter(data, keyState); });
}

ax::HRESULT CPathgroveCtrl::DragOver(uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) {
    return DeliverDrag(effect, [&] { return m_tree->DragOver(keyState, x, y); });
}

// A drag that leaves is forgotten even while the control is disabled.
ax::HRESULT CPathgroveCtrl::DragLeave() {
    return ax::CatchAll([&] {
        if (!m_tree->IsCreated())
            return ax::E_UNEXPECTED;
        ax::ComPtr<ax::IDispatch> hold(this);
        m_tree->DragLeave();
        return ax::S_OK;
    });
}

ax::HRESULT CPathgroveCtrl::Drop(IPgvDataObject* data, uint32_t keyState, int32_t x, int32_t y,
                                 uint32_t* effect) {
    return DeliverDrag(effect, [&] { return m_tree->Drop(data, keyState, x, y); });
}

} // namespace pgv
