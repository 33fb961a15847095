// Whether a run may show itself on a desktop: the program's front end and the
// uploader's boxes follow the same setting.
#pragma once

// The environment variable that chooses; "headless" keeps a run off the
// desktop even when a display opens.
constexpr char kEnvUi[] = "MELVANE_UI";

// False when MELVANE_UI is "headless".
bool DesktopAllowed();
