// The control's font as an automation object. Changes made through it are
// reported to the control that owns it.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/DispatchObject.h"
#include "foldertree/control/FontDesc.h"

namespace pgv {

class FontOwner {
  public:
    virtual void OnFontChanged() = 0;

  protected:
    ~FontOwner() = default;
};

class CPgvFont final : public ax::DispatchObject<CPgvFont> {
  public:
    CPgvFont(const FontDesc& desc, FontOwner* owner);

    const FontDesc& Desc() const { return m_desc; }
    void SetDesc(const FontDesc& desc) { m_desc = desc; }
    // The owner is going; later changes are kept but reported to nobody.
    void DetachOwner() { m_owner = nullptr; }

    PGV_FONT_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    ax::HRESULT Changed();

    FontDesc m_desc;
    FontOwner* m_owner;
};

// Reads a font object's members (any implementation of the standard font
// members) into `*desc`.
ax::HRESULT ReadFontFrom(ax::IDispatch* font, FontDesc* desc);

} // namespace pgv
