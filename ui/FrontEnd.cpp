#include "ui/FrontEnd.h"

#include "ui/headless/HeadlessFrontEnd.h"

#include <cstdlib>
#include <cstring>

std::unique_ptr<FrontEnd> OpenFrontEnd() {
    const char* choice = std::getenv("MELVANE_UI");
    if (!choice || std::strcmp(choice, "headless") != 0) {
        if (std::unique_ptr<FrontEnd> desktop = OpenDesktopFrontEnd())
            return desktop;
    }
    return std::make_unique<HeadlessFrontEnd>();
}
