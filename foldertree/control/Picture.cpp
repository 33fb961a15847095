#include "foldertree/control/Picture.h"

#include "foldertree/automation/Utf16.h"

namespace pgv {
namespace {

constexpr int32_t kPictureDpi = 96;

#define PGV_HANDLER_CLASS CPgvPicture
constexpr ax::DispHandlers<CPgvPicture> kHandlers[] = {PGV_PICTURE_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

} // namespace

int32_t ShellIconPixels(int32_t iconType) {
    switch (iconType) {
    case PGV_SHELLICON_SMALL:
        return 16;
    case PGV_SHELLICON_LARGE:
        return 32;
    case PGV_SHELLICON_EXTRALARGE:
        return 48;
    default:
        return 0;
    }
}

CPgvPicture::CPgvPicture(int32_t systemIndex, std::string iconName, int32_t pixels)
    : DispatchObject(picture_members::kTable, kHandlers, IID_IPgvPicture), m_systemIndex(systemIndex),
      m_iconName(std::move(iconName)), m_pixels(pixels) {}

ax::HRESULT CPgvPicture::GetHandle(ax::Variant*, ax::Variant* result) {
    return ax::SetResult(result, m_systemIndex);
}

ax::HRESULT CPgvPicture::GetType(ax::Variant*, ax::Variant* result) {
    return ax::SetResult(result, static_cast<int16_t>(PICTYPE_ICON));
}

ax::HRESULT CPgvPicture::GetWidth(ax::Variant*, ax::Variant* result) {
    return ax::SetResult(result, PixelsToHimetric(m_pixels, kPictureDpi));
}

ax::HRESULT CPgvPicture::GetHeight(ax::Variant*, ax::Variant* result) {
    return ax::SetResult(result, PixelsToHimetric(m_pixels, kPictureDpi));
}

ax::HRESULT CPgvPicture::GetIconName(ax::Variant*, ax::Variant* result) {
    return ax::SetResult(result, ax::Utf8ToUtf16(m_iconName));
}

} // namespace pgv
