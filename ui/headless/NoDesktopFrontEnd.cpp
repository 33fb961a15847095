// The program built without a desktop front end.
#include "ui/FrontEnd.h"

std::unique_ptr<FrontEnd> OpenDesktopFrontEnd() {
    return nullptr;
}
