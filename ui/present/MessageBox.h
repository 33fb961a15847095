#pragma once

#include "ui/present/MessageBoxView.h"

class MessageLoop;

// Shows a box and keeps dispatching `loop`'s messages until it is answered.
// When the program quits first, the box counts as cancelled (IDCANCEL), or
// as acknowledged (IDOK) when it has no Cancel button.
int RunMessageBox(MessageLoop& loop, MessageBoxView& view, const std::wstring& text,
                  const std::wstring& caption, uint32_t style);
