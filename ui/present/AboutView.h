// The About box's face. The view reports the user's action by posting to the
// dialog: WM_COMMAND IDOK (OK), WM_COMMAND IDCANCEL (Esc) or WM_CLOSE (the
// close box).
#pragma once

#include "ui/kernel/MessageQueue.h"
#include "ui/present/IconImage.h"

#include <string>

struct AboutContent {
    std::wstring caption;
    std::wstring text;
    const IconImage* icon = nullptr;
};

class AboutView {
  public:
    virtual ~AboutView() = default;
    virtual void Show(const AboutContent& content, const MessageTarget& dialog) = 0;
    // Brings the open box to the front.
    virtual void Raise() = 0;
    virtual void Hide() = 0;
};
