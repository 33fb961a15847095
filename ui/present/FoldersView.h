// The face of the shared-folders dialog: its window with the folder tree,
// OK and Cancel. The view reports the user's action by posting to the
// dialog: WM_COMMAND IDOK, WM_COMMAND IDCANCEL (Cancel or Esc) or WM_CLOSE
// (the close box). The tree's input goes to the control itself.
#pragma once

#include "ui/kernel/MessageQueue.h"

#include <string>

class FolderTreeControl;

class FoldersView {
  public:
    virtual ~FoldersView() = default;
    // `control` is null when it could not be created: the window shows no tree.
    virtual void Show(const std::wstring& caption, const MessageTarget& dialog,
                      FolderTreeControl* control) = 0;
    // The control's tree may have changed.
    virtual void Refresh() = 0;
    virtual void Raise() = 0;
    virtual void Hide() = 0;
};
