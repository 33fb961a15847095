#include "ui/FrontEnd.h"

#include "include/system/UiChoice.h"
#include "ui/headless/HeadlessFrontEnd.h"

std::unique_ptr<FrontEnd> OpenFrontEnd() {
    if (DesktopAllowed()) {
        if (std::unique_ptr<FrontEnd> desktop = OpenDesktopFrontEnd())
            return desktop;
    }
    return std::make_unique<HeadlessFrontEnd>();
}
