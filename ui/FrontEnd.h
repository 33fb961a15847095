// The set of presenters a run of the program shows itself with: the desktop's
// when one can be opened, else the headless one.
#pragma once

#include "ui/present/Presenters.h"

#include <memory>

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;
    virtual Presenters Get() = 0;
};

// The desktop front end, or null when the program was built without one or
// no display can be opened.
std::unique_ptr<FrontEnd> OpenDesktopFrontEnd();
// The desktop's unless MELVANE_UI is "headless" or there is none.
std::unique_ptr<FrontEnd> OpenFrontEnd();
