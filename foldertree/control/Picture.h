// A picture object for a shell icon, as GetShellIcon and the utilities
// hand them out: an icon of a freedesktop name and a size. Its handle is
// the icon's index in the system image list; its size is in HIMETRIC, as
// for every picture.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/DispatchObject.h"

#include <string>

namespace pgv {

class CPgvPicture final : public ax::DispatchObject<CPgvPicture> {
  public:
    CPgvPicture(int32_t systemIndex, std::string iconName, int32_t pixels);

    PGV_PICTURE_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    int32_t m_systemIndex;
    std::string m_iconName;
    int32_t m_pixels;
};

// The side in pixels of a PGVShellIconTypes value, or 0 for another.
int32_t ShellIconPixels(int32_t iconType);

} // namespace pgv
