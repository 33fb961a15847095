// A table from key text to value text that the host may fill; one per
// control.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/DispatchObject.h"

#include <map>
#include <string>

namespace pgv {

class CStringResourceManager final : public ax::DispatchObject<CStringResourceManager> {
  public:
    CStringResourceManager();

    PGV_STRING_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    std::map<std::u16string, std::u16string, std::less<>> m_strings;
};

} // namespace pgv
