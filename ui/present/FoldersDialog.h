// The dialog that edits the list of shared music folders.
#pragma once

#include <string>
#include <vector>

class MessageLoop;

class FoldersDialog {
  public:
    virtual ~FoldersDialog() = default;
    // Runs modally on `loop` over `folders`; IDOK when the user accepted the
    // edited list.
    virtual int Run(MessageLoop& loop, std::vector<std::wstring>* folders) = 0;
    // Brings the open dialog to the front.
    virtual void Raise() = 0;
};
