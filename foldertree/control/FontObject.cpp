#include "foldertree/control/FontObject.h"

namespace pgv {
namespace {

constexpr int16_t kWeightNormal = 400;
constexpr int16_t kWeightBold = 700;

#define PGV_HANDLER_CLASS CPgvFont
constexpr ax::DispHandlers<CPgvFont> kHandlers[] = {PGV_FONT_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

ax::HRESULT GetMember(ax::IDispatch* font, ax::DISPID id, ax::VARTYPE vt, ax::Variant* value) {
    ax::DispParams none = {nullptr, 0};
    ax::ExcepInfo excep = {};
    ax::HRESULT hr = font->Invoke(id, ax::DISPATCH_PROPERTYGET, &none, value, &excep, nullptr);
    ax::ClearExcepInfo(&excep);
    return ax::Failed(hr) ? hr : ax::VariantChangeType(value, value, vt);
}

} // namespace

CPgvFont::CPgvFont(const FontDesc& desc, FontOwner* owner)
    : DispatchObject(font_members::kTable, kHandlers, IID_IPgvFont), m_desc(desc), m_owner(owner) {}

ax::HRESULT CPgvFont::Changed() {
    if (m_owner)
        m_owner->OnFontChanged();
    return ax::S_OK;
}

ax::HRESULT CPgvFont::GetName(ax::Variant*, ax::Variant* result) {
    return ax::SetResult(result, m_desc.name);
}
ax::HRESULT CPgvFont::PutName(ax::Variant* args, ax::Variant*) {
    m_desc.name = ax::BstrView(args[0].bstrVal);
    return Changed();
}
ax::HRESULT CPgvFont::GetSize(ax::Variant*, ax::Variant* result) {
    result->vt = ax::VT_CY;
    result->cyVal = m_desc.sizeCy;
    return ax::S_OK;
}
ax::HRESULT CPgvFont::PutSize(ax::Variant* args, ax::Variant*) {
    if (args[0].cyVal <= 0)
        return ax::E_INVALIDARG;
    m_desc.sizeCy = args[0].cyVal;
    return Changed();
}
ax::HRESULT CPgvFont::GetBold(ax::Variant*, ax::Variant* result) {
    return ax::SetBoolResult(result, m_desc.weight >= kWeightBold);
}
ax::HRESULT CPgvFont::PutBold(ax::Variant* args, ax::Variant*) {
    m_desc.weight = args[0].boolVal ? kWeightBold : kWeightNormal;
    return Changed();
}
ax::HRESULT CPgvFont::GetItalic(ax::Variant*, ax::Variant* result) {
    return ax::SetBoolResult(result, m_desc.italic);
}
ax::HRESULT CPgvFont::PutItalic(ax::Variant* args, ax::Variant*) {
    m_desc.italic = args[0].boolVal;
    return Changed();
}
ax::HRESULT CPgvFont::GetUnderline(ax::Variant*, ax::Variant* result) {
    return ax::SetBoolResult(result, m_desc.underline);
}
ax::HRESULT CPgvFont::PutUnderline(ax::Variant* args, ax::Variant*) {
    m_desc.underline = args[0].boolVal;
    return Changed();
}
ax::HRESULT CPgvFont::GetStrikethrough(ax::Variant*, ax::Variant* result) {
    return ax::SetBoolResult(result, m_desc.strikethrough);
}
ax::HRESULT CPgvFont::PutStrikethrough(ax::Variant* args, ax::Variant*) {
    m_desc.strikethrough = args[0].boolVal;
    return Changed();
}
ax::HRESULT CPgvFont::GetWeight(ax::Variant*, ax::Variant* result) {
    return ax::SetResult(result, m_desc.weight);
}
ax::HRESULT CPgvFont::PutWeight(ax::Variant* args, ax::Variant*) {
    if (args[0].iVal < 0 || args[0].iVal > 1000)
        return ax::E_INVALIDARG;
    m_desc.weight = args[0].iVal;
    return Changed();
}
ax::HRESULT CPgvFont::GetCharset(ax::Variant*, ax::Variant* result) {
    return ax::SetResult(result, m_desc.charset);
}
ax::HRESULT CPgvFont::PutCharset(ax::Variant* args, ax::Variant*) {
    m_desc.charset = args[0].iVal;
    return Changed();
}

ax::HRESULT ReadFontFrom(ax::IDispatch* font, FontDesc* desc) {
    if (!font)
        return ax::E_POINTER;
    FontDesc read;
    ax::ScopedVariant name, size, weight, charset, italic, underline, strike;
    ax::HRESULT hr = GetMember(font, PGVF_NAME, ax::VT_BSTR, &name);
    if (ax::Succeeded(hr))
        hr = GetMember(font, PGVF_SIZE, ax::VT_CY, &size);
    if (ax::Failed(hr))
        return hr;
    read.name = ax::BstrView(name.bstrVal);
    read.sizeCy = size.cyVal;
    if (ax::Succeeded(GetMember(font, PGVF_WEIGHT, ax::VT_I2, &weight)))
        read.weight = weight.iVal;
    if (ax::Succeeded(GetMember(font, PGVF_CHARSET, ax::VT_I2, &charset)))
        read.charset = charset.iVal;
    if (ax::Succeeded(GetMember(font, PGVF_ITALIC, ax::VT_BOOL, &italic)))
        read.italic = italic.boolVal;
    if (ax::Succeeded(GetMember(font, PGVF_UNDERLINE, ax::VT_BOOL, &underline)))
        read.underline = underline.boolVal;
    if (ax::Succeeded(GetMember(font, PGVF_STRIKETHROUGH, ax::VT_BOOL, &strike)))
        read.strikethrough = strike.boolVal;
    *desc = read;
    return ax::S_OK;
}

} // namespace pgv
