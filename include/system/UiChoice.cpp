#include "include/system/UiChoice.h"

#include <cstdlib>
#include <cstring>

bool DesktopAllowed() {
    const char* choice = std::getenv(kEnvUi);
    return !choice || std::strcmp(choice, "headless") != 0;
}
